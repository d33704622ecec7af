// kiv-cli sms PHONE: asks the server to send the password of PHONE by SMS.
#include <cstdio>
#include <string>

#include "cli/CliCommand.h"
#include "net/SmsPasswordExchange.h"
#include "platform/Gbk.h"

namespace kiv::cli {
namespace {

int runSms(const CliOptions& options) {
  if (options.args.size() != 1) {
    std::fprintf(stderr, "usage: kiv-cli sms PHONE\n");
    return kExitUsage;
  }
  const int result = SmsPasswordExchange(options.server).RequestSmsPassword(gbk::fromUtf8(options.args[0]));
  std::printf("sms %d\n", result);
  std::fflush(stdout);
  if (result == SmsPasswordExchange::kConnectFailed) return kExitNoServer;
  return result == 0 ? kExitOk : kExitFailed;
}

const CliCommand command("sms", "sms PHONE", runSms);

}  // namespace
}  // namespace kiv::cli
