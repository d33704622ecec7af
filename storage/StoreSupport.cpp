#include "storage/StoreSupport.h"

#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#endif

namespace kiv::storesupport {
namespace {

// SQLite wants UTF-8 file names; our paths are in the system code page, which
// is UTF-8 everywhere but on Windows.
std::string toSqlitePath(const std::string& path) {
#ifdef _WIN32
  const int wideSize = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
  if (wideSize <= 0) return path;
  std::wstring wide(static_cast<std::size_t>(wideSize), L'\0');
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), wideSize);
  const int utf8Size = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (utf8Size <= 0) return path;
  std::string utf8(static_cast<std::size_t>(utf8Size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, utf8.data(), utf8Size, nullptr, nullptr);
  utf8.resize(static_cast<std::size_t>(utf8Size) - 1);
  return utf8;
#else
  return path;
#endif
}

}  // namespace

bool openReporting(SqliteDatabase& db, const std::string& path) {
  if (db.open(toSqlitePath(path))) return true;
  std::fprintf(stderr, "Can'topendatabase:%sn\n", db.errorMessage().c_str());
  return false;
}

std::string cell(const SqliteDatabase::Row& row, std::size_t column) {
  return column < row.size() && row[column] ? *row[column] : std::string();
}

std::int32_t parseId(const std::string& text) {
  const long long value = std::strtoll(text.c_str(), nullptr, 10);
  if (value > INT32_MAX || value < INT32_MIN) return 0;
  return static_cast<std::int32_t>(value);
}

}  // namespace kiv::storesupport
