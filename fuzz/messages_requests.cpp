// Every request reader, as the server runs them on bytes from the network.
#include "MessageDispatch.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kiv::fuzz::readAny(true, data, size);
  return 0;
}
