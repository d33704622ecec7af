// The PROXY header a load balancer sends: whatever the bytes, the parser
// answers within them, and what it accepts does not depend on what follows.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "server/ProxyHeader.h"

using kiv::server::ProxyHeader;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto header = ProxyHeader::parse(data, size);
  switch (header.state) {
    case ProxyHeader::State::kDone: {
      if (header.length == 0 || header.length > size || header.length > ProxyHeader::kMaxLength) std::abort();
      const auto alone = ProxyHeader::parse(data, header.length);
      if (alone.state != ProxyHeader::State::kDone || alone.length != header.length || alone.client != header.client)
        std::abort();
      break;
    }
    case ProxyHeader::State::kNeedMore:
      if (size >= ProxyHeader::kMaxLength) std::abort();
      break;
    case ProxyHeader::State::kBad:
      if (header.why.empty()) std::abort();
      break;
  }
  return 0;
}
