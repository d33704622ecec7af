#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <string>

#include "server/Database.h"
#include "support/TempDir.h"

namespace kiv::test {

// The server's database for one test. The server suite runs twice: on SQLite
// files, and with KIV_TEST_POSTGRES naming the file that holds the URL of the
// PostgreSQL that ctest started, where each database is a fresh schema of
// its own. The same `name` in one test gives the same database.
inline std::string testDatabase(const TempDir& dir, const std::string& name) {
  const char* urlFile = std::getenv("KIV_TEST_POSTGRES");
  if (!urlFile || !*urlFile) return dir.file(name);
  std::string url;
  std::ifstream(urlFile) >> url;
  if (url.empty()) {
    ADD_FAILURE() << "no PostgreSQL for the tests: " << urlFile << " is missing (the postgres fixture failed)";
    return dir.file(name);
  }
  // One schema per directory and name: the directory is unique to the test.
  std::string schema = "t";
  // PostgreSQL folds names to lower case: an upper-case letter is marked.
  for (char c : dir.path() + "_" + name) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isupper(byte)) schema += std::string("_") + static_cast<char>(std::tolower(byte));
    else schema += std::isalnum(byte) ? c : '_';
  }
  std::string error;
  auto db = server::Database::open(url, &error);
  if (!db) {
    ADD_FAILURE() << error;
    return dir.file(name);
  }
  db->exec(("CREATE SCHEMA IF NOT EXISTS " + schema).c_str());
  return url + "?options=-csearch_path%3D" + schema;
}

inline bool testingOnPostgres() {
  const char* urlFile = std::getenv("KIV_TEST_POSTGRES");
  return urlFile && *urlFile;
}

}  // namespace kiv::test
