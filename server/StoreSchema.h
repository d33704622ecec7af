#pragma once

namespace kiv::server {

// The tables of the server's database, created when missing.
extern const char kSchema[];
// Counts what already waits per recipient into waiting_totals (the schema
// version before 1 had no such table).
extern const char kCountWaiting[];
// The version of the schema above, kept in SQLite's user_version.
inline constexpr int kSchemaVersion = 1;

}  // namespace kiv::server
