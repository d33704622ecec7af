#pragma once

#include <cstdint>
#include <string>

#include "storage/SqliteDatabase.h"

// What the local stores share: opening their files and reading their cells.
namespace kiv::storesupport {

// Opens `db` at `path` (in the system code page); a failure is reported on
// standard error only, the user is never told (the store then simply
// remembers nothing).
bool openReporting(SqliteDatabase& db, const std::string& path);

// The text of one cell, "" for NULL or a missing column.
std::string cell(const SqliteDatabase::Row& row, std::size_t column);

// Decimal prefix of a cell, 0 when there is none (atoi without its undefined
// behaviour on overflow).
std::int32_t parseId(const std::string& text);

}  // namespace kiv::storesupport
