// kiv-cli send private|group ID TEXT: signs in, sends one chat message and
// prints the server's status.
#include <atomic>
#include <cstdio>
#include <string>

#include "cli/CliCommand.h"
#include "cli/CliSession.h"
#include "cli/CliStore.h"
#include "cli/NumberArgument.h"
#include "net/SendMessageMessages.h"
#include "platform/Gbk.h"

namespace kiv::cli {
namespace {

int runSend(const CliOptions& options) {
  SendMessageRequest message;
  const auto& args = options.args;
  const auto target = args.size() == 3 ? parseDecimal(args[1]) : std::nullopt;
  if (!target || (args[0] != "private" && args[0] != "group")) {
    std::fprintf(stderr, "usage: kiv-cli send private|group ID TEXT\n");
    return kExitUsage;
  }
  message.target = *target;
  message.kind = args[0] == "group" ? ConversationKind::kGroup : ConversationKind::kPrivate;
  message.text = gbk::fromUtf8(args[2]);

  std::atomic<int> status{-1};  // set on the receive thread: must outlive the session
  CliSession session(options);
  if (const int rc = session.signIn(); rc != kExitOk) return rc;
  const ReceiverHandle asker =
      session.receiver([&](const PendingRequest&, const std::uint8_t* response, std::uint32_t size,
                           std::uint32_t command) {
        if (command != SendMessageResponse::kCommand) return;
        status = SendMessageResponse::read(response, size).result;
        session.notify();
      });
  session.ask(message.build(session.client().newKey()), asker);
  // Stored at once, as the chat window echoes it, whatever the answer.
  CliStore::storeSent(message.text, message.kind, static_cast<std::int32_t>(message.target));
  if (!session.waitFor([&] { return status.load() >= 0; }, CliSession::kPatience)) return kExitNoServer;
  CliSession::printLine("sent " + std::to_string(status.load()));
  session.signOut();
  return status.load() == SendMessageResponse::kDelivered ? kExitOk : kExitFailed;
}

const CliCommand command("send", "send private|group ID TEXT", runSend);

}  // namespace
}  // namespace kiv::cli
