// kiv-cli listen SECONDS: signs in, fetches every conversation a notice
// names, prints what arrives, and signs out after SECONDS.
#include <cstdio>
#include <string>

#include "cli/CliCommand.h"
#include "cli/CliSession.h"
#include "cli/CliStore.h"
#include "cli/NumberArgument.h"
#include "model/MessageService.h"
#include "net/ReceiverRegistry.h"
#include "platform/Gbk.h"

namespace kiv::cli {
namespace {

// One line per message as the chat window shows it (records of the same
// time joined), each invitation on its own line.
bool printMessages(const MessageService::Address& from, const MessageService::Batch& batch) {
  const bool group = from.category == ChatCategory::kGroup;
  const std::string where = std::string(group ? "group " : "private ") + std::to_string(from.number);
  for (const auto& block : batch.messages.blocks) {
    if (block.invitation)
      CliSession::printLine("invite " + where + " " + gbk::toUtf8(block.text));
    else
      CliSession::printLine("msg " + where + " " + block.time + " " + gbk::toUtf8(block.text));
  }
  return true;
}

int runListen(const CliOptions& options) {
  const auto seconds = options.args.size() == 1 ? parseDecimal(options.args[0]) : std::nullopt;
  if (!seconds) {
    std::fprintf(stderr, "usage: kiv-cli listen SECONDS\n");
    return kExitUsage;
  }
  CliSession session(options);
  // Like the main window: every notice fetches its conversation, and what
  // arrives is stored before it is printed.
  MessageService messages(session.client(), [] { return CliStore::history(); }, nullptr, ReceiverRegistry::global());
  messages.setSink(nullptr, printMessages);
  session.onNotice([&messages](const MessageNotice& notice) { messages.onNotice(notice); });
  // A notice may come before the sign-in hooks have opened the store; it is
  // kept until they have, or its messages would be printed but never stored
  // (and the server deletes them once fetched).
  messages.hold();
  if (const int rc = session.signIn(); rc != kExitOk) return rc;
  messages.release();
  session.waitFor([] { return false; }, std::chrono::seconds(*seconds));
  const bool lost = session.ended();
  session.signOut();
  return lost ? kExitNoServer : kExitOk;
}

const CliCommand command("listen", "listen SECONDS", runListen);

}  // namespace
}  // namespace kiv::cli
