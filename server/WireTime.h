#pragma once

#include <ctime>
#include <string>

namespace kiv::server {

// A local time as the 12 ASCII digits YYMMDDhhmmss that message records, the
// send answer and group profiles carry.
std::string wireTime(const std::tm& local);

}  // namespace kiv::server
