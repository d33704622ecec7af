#pragma once

#include <curl/curl.h>

#include <mutex>

namespace kiv::curl {

// libcurl's global set-up is not safe to run from two threads at once, and
// both the avatar downloads and the form upload may be first to need it: one
// flag for the whole program.
inline void initOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace kiv::curl
