#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// How the history index refers to rows of the history.
namespace kiv::historykeys {

// "yy-mm-dd hh:mm:ss" as the number yymmddhhmmss, which orders as the text
// does; 0 (the oldest) for a time that is not of that shape.
std::int64_t timeKey(std::string_view rtime);

// Tells whether a history row is still the one that was indexed under its
// rowid (a cleared and refilled table reuses rowids).
std::uint64_t fingerprint(std::int64_t id, std::string_view rtime, std::string_view msg);

// A URI that opens the database at `path` read-only, whatever characters
// the path holds.
std::string readOnlyUri(const std::string& path);

}  // namespace kiv::historykeys
