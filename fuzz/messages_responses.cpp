// Every response reader, as the client runs them on bytes from the network.
#include "MessageDispatch.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kiv::fuzz::readAny(false, data, size);
  return 0;
}
