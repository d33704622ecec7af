#pragma once

#include <string>

namespace kiv::server {

class Database;

// Brings the database's tables to the version this program knows, one
// migration after the other, in one transaction (two processes starting on
// a new database at once do not both run them). Refuses a database whose
// version is newer than this program: an older program must not write into
// tables it does not know. False and `error` when it cannot.
bool migrateSchema(Database& db, std::string* error);

// The newest schema version of each back end.
int latestSchemaVersion(const Database& db);

}  // namespace kiv::server
