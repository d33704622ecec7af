#include "server/Database.h"

#include "server/PgDatabase.h"
#include "server/SqliteDatabase.h"

namespace kiv::server {

bool Database::isPostgresUrl(const std::string& location) {
  return location.rfind("postgresql://", 0) == 0 || location.rfind("postgres://", 0) == 0;
}

std::unique_ptr<Database> Database::open(const std::string& location, std::string* error) {
  if (isPostgresUrl(location)) return PgDatabase::open(location, error);
  return SqliteDatabase::open(location, error);
}

}  // namespace kiv::server
