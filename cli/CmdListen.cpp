// kiv-cli listen SECONDS: signs in, fetches every conversation a notice
// names, prints what arrives, and signs out after SECONDS.
#include <cstdio>
#include <string>

#include "cli/CliCommand.h"
#include "cli/CliSession.h"
#include "cli/CliStore.h"
#include "cli/NumberArgument.h"
#include "model/ReceivedMessages.h"
#include "net/FetchMessagesMessages.h"
#include "platform/Gbk.h"

namespace kiv::cli {
namespace {

void printMessages(const PendingRequest& request, const std::uint8_t* response, std::uint32_t size) {
  const auto asked = FetchMessagesRequest::read(request.packet, static_cast<std::size_t>(request.length));
  const int kind = asked.kind == kGroupConversation ? kGroupConversation : kPrivateConversation;
  const std::string where = std::string(kind == kGroupConversation ? "group " : "private ") + std::to_string(asked.id);
  const auto fetched = FetchMessagesResponse::read(response, size);
  for (const auto& m : fetched.messages) {
    if (ReceivedMessages::isInvitation(m.text, kind))
      CliSession::printLine("invite " + where + " " + gbk::toUtf8(m.text.substr(2)));
    else
      CliSession::printLine("msg " + where + " " + ReceivedMessages::timeText(m.time) + " " + gbk::toUtf8(m.text));
  }
  CliStore::storeReceived(fetched, kind, static_cast<std::int32_t>(asked.id));
}

int runListen(const CliOptions& options) {
  const auto seconds = options.args.size() == 1 ? parseDecimal(options.args[0]) : std::nullopt;
  if (!seconds) {
    std::fprintf(stderr, "usage: kiv-cli listen SECONDS\n");
    return kExitUsage;
  }
  CliSession session(options);
  const ReceiverHandle fetcher =
      session.receiver([](const PendingRequest& request, const std::uint8_t* response, std::uint32_t size,
                          std::uint32_t command) {
        if (command == FetchMessagesResponse::kCommand) printMessages(request, response, size);
      });
  // Like the main window: every notice fetches its conversation.
  session.onNotice([&session, fetcher](const MessageNotice& notice) {
    FetchMessagesRequest fetch;
    fetch.kind = notice.isGroup() ? kGroupConversation : kPrivateConversation;
    fetch.id = notice.id;
    session.ask(fetch.build(session.client().newKey()), fetcher);
  });
  if (const int rc = session.signIn(); rc != kExitOk) return rc;
  session.waitFor([] { return false; }, std::chrono::seconds(*seconds));
  const bool lost = session.ended();
  session.signOut();
  return lost ? kExitNoServer : kExitOk;
}

const CliCommand command("listen", "listen SECONDS", runListen);

}  // namespace
}  // namespace kiv::cli
