#pragma once

#include <cstddef>
#include <cstdint>

#include "server/Database.h"

// The small queries every part of the store repeats.
namespace kiv::server::rows {

// A row exists for the two parameters.
inline bool exists(Database& db, const char* sql, std::int64_t a, std::int64_t b) {
  auto row = db.prepare(sql);
  row.bind(1, a).bind(2, b);
  return row.step();
}

// The count a query with one parameter gives.
inline std::size_t count(Database& db, const char* sql, std::int64_t a) {
  auto row = db.prepare(sql);
  row.bind(1, a);
  return row.step() ? static_cast<std::size_t>(row.integer(0)) : 0;
}

// A statement with two parameters ran.
inline bool runPair(Database& db, const char* sql, std::int64_t a, std::int64_t b) {
  return db.prepare(sql).bind(1, a).bind(2, b).run();
}

// The number after the highest one `maxSql` finds, at least `first`. Call it
// inside a transaction: `lock` keeps two connections from taking the same one.
inline std::uint32_t nextId(Database& db, const char* maxSql, std::uint32_t first, std::int64_t lock) {
  if (!db.serialise(lock)) return 0;
  auto statement = db.prepare(maxSql);
  std::int64_t next = first;
  if (statement.step()) next = std::max<std::int64_t>(next, statement.integer(0) + 1);
  return static_cast<std::uint32_t>(next);
}

}  // namespace kiv::server::rows
