#include "model/TerminalType.h"

namespace kiv::terminal {

const char* textUtf8(std::int32_t terminal) {
  switch (terminal) {
    case kWap:
      return "WAP端";
    case kMobileClient:
      return "手机客户端";
    case kPcClient:
      return "电脑客户端";
    default:
      return "短信";
  }
}

}  // namespace kiv::terminal
