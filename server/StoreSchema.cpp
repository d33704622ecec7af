#include "server/StoreSchema.h"

#include <iterator>

#include "server/Database.h"

namespace kiv::server {

namespace {

// The tables of the SQLite file. The first version had them without the
// waiting totals; every statement is made so that it can run again.
const char kSqliteTables[] = R"sql(
CREATE TABLE IF NOT EXISTS users(
  user_id INTEGER PRIMARY KEY,
  phone BLOB NOT NULL UNIQUE,
  password BLOB NOT NULL,
  nickname BLOB NOT NULL,
  sex BLOB NOT NULL,
  introduction BLOB NOT NULL,
  points INTEGER NOT NULL DEFAULT 0,
  city BLOB NOT NULL,
  birthday BLOB NOT NULL,
  cancelled INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS friends(
  owner INTEGER NOT NULL,
  friend INTEGER NOT NULL,
  PRIMARY KEY(owner, friend)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS chat_groups(
  group_id INTEGER PRIMARY KEY,
  name BLOB NOT NULL,
  category BLOB NOT NULL,
  introduction BLOB NOT NULL,
  type INTEGER NOT NULL DEFAULT 1,
  owner INTEGER NOT NULL,
  created BLOB NOT NULL,
  dismissed INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS members(
  group_id INTEGER NOT NULL,
  user_id INTEGER NOT NULL,
  shielded INTEGER NOT NULL DEFAULT 0,
  PRIMARY KEY(group_id, user_id));
CREATE INDEX IF NOT EXISTS members_by_user ON members(user_id);
CREATE TABLE IF NOT EXISTS messages(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  recipient INTEGER NOT NULL,
  kind INTEGER NOT NULL,
  conversation INTEGER NOT NULL,
  sender INTEGER NOT NULL,
  text BLOB NOT NULL,
  time BLOB NOT NULL);
CREATE INDEX IF NOT EXISTS messages_by_conversation ON messages(recipient, kind, conversation, id);
CREATE TABLE IF NOT EXISTS invitations(
  group_id INTEGER NOT NULL,
  user_id INTEGER NOT NULL,
  PRIMARY KEY(group_id, user_id)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS join_requests(
  group_id INTEGER NOT NULL,
  user_id INTEGER NOT NULL,
  PRIMARY KEY(group_id, user_id)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS avatars(
  is_group INTEGER NOT NULL,
  id INTEGER NOT NULL,
  jpeg BLOB NOT NULL,
  PRIMARY KEY(is_group, id));
CREATE TABLE IF NOT EXISTS given_answers(
  user_id INTEGER NOT NULL,
  header BLOB NOT NULL,
  at INTEGER NOT NULL,
  request BLOB NOT NULL,
  answer BLOB NOT NULL,
  PRIMARY KEY(user_id, header));
CREATE INDEX IF NOT EXISTS given_answers_by_age ON given_answers(at);
CREATE INDEX IF NOT EXISTS given_answers_by_user ON given_answers(user_id);
-- What waits per recipient: added to once per message and recipient by the
-- code that queues, taken from by a trigger whatever removes the records.
CREATE TABLE IF NOT EXISTS waiting_totals(
  recipient INTEGER PRIMARY KEY,
  records INTEGER NOT NULL,
  bytes INTEGER NOT NULL);
CREATE TRIGGER IF NOT EXISTS messages_uncounted AFTER DELETE ON messages BEGIN
  UPDATE waiting_totals SET records = records - 1, bytes = bytes - LENGTH(OLD.text) WHERE recipient = OLD.recipient;
END;
)sql";

// The waiting totals of a file made before they were kept.
const char kSqliteCountWaiting[] = R"sql(
DELETE FROM waiting_totals;
INSERT INTO waiting_totals(recipient, records, bytes)
  SELECT recipient, COUNT(*), SUM(LENGTH(text)) FROM messages GROUP BY recipient;
)sql";


// The same tables on PostgreSQL. Texts are GBK bytes, so bytea; numbers are
// bigint, since a UserId is unsigned 32 bits. `rowid` is a column of its own
// here, named like SQLite's implicit one so that the queries serve both.
const char kPostgresTables[] = R"sql(
CREATE TABLE users(
  user_id BIGINT PRIMARY KEY,
  phone BYTEA NOT NULL UNIQUE,
  password BYTEA NOT NULL,
  nickname BYTEA NOT NULL,
  sex BYTEA NOT NULL,
  introduction BYTEA NOT NULL,
  points BIGINT NOT NULL DEFAULT 0,
  city BYTEA NOT NULL,
  birthday BYTEA NOT NULL,
  cancelled INTEGER NOT NULL DEFAULT 0);
CREATE INDEX users_cancelled ON users(user_id) WHERE cancelled = 1;
CREATE TABLE friends(
  owner BIGINT NOT NULL,
  friend BIGINT NOT NULL,
  PRIMARY KEY(owner, friend));
CREATE TABLE chat_groups(
  group_id BIGINT PRIMARY KEY,
  name BYTEA NOT NULL,
  category BYTEA NOT NULL,
  introduction BYTEA NOT NULL,
  type INTEGER NOT NULL DEFAULT 1,
  owner BIGINT NOT NULL,
  created BYTEA NOT NULL,
  dismissed INTEGER NOT NULL DEFAULT 0);
CREATE INDEX chat_groups_by_owner ON chat_groups(owner);
CREATE TABLE members(
  rowid BIGSERIAL,
  group_id BIGINT NOT NULL,
  user_id BIGINT NOT NULL,
  shielded INTEGER NOT NULL DEFAULT 0,
  PRIMARY KEY(group_id, user_id));
CREATE INDEX members_by_user ON members(user_id);
CREATE TABLE messages(
  id BIGSERIAL PRIMARY KEY,
  recipient BIGINT NOT NULL,
  kind INTEGER NOT NULL,
  conversation BIGINT NOT NULL,
  sender BIGINT NOT NULL,
  text BYTEA NOT NULL,
  time BYTEA NOT NULL);
CREATE INDEX messages_by_conversation ON messages(recipient, kind, conversation, id);
CREATE TABLE invitations(
  group_id BIGINT NOT NULL,
  user_id BIGINT NOT NULL,
  PRIMARY KEY(group_id, user_id));
CREATE TABLE join_requests(
  group_id BIGINT NOT NULL,
  user_id BIGINT NOT NULL,
  PRIMARY KEY(group_id, user_id));
CREATE TABLE avatars(
  is_group INTEGER NOT NULL,
  id BIGINT NOT NULL,
  jpeg BYTEA NOT NULL,
  PRIMARY KEY(is_group, id));
CREATE TABLE given_answers(
  rowid BIGSERIAL,
  user_id BIGINT NOT NULL,
  header BYTEA NOT NULL,
  at BIGINT NOT NULL,
  request BYTEA NOT NULL,
  answer BYTEA NOT NULL,
  PRIMARY KEY(user_id, header));
CREATE INDEX given_answers_by_age ON given_answers(at);
CREATE INDEX given_answers_by_user ON given_answers(user_id, rowid);
CREATE TABLE waiting_totals(
  recipient BIGINT PRIMARY KEY,
  records BIGINT NOT NULL,
  bytes BIGINT NOT NULL);
CREATE FUNCTION messages_uncounted() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
  UPDATE waiting_totals SET records = records - 1, bytes = bytes - length(OLD.text) WHERE recipient = OLD.recipient;
  RETURN NULL;
END $$;
CREATE TRIGGER messages_uncounted AFTER DELETE ON messages FOR EACH ROW EXECUTE FUNCTION messages_uncounted();
)sql";

// The counters of the sign-in throttle and the send quotas, shared by every
// server process. Unlogged: they are written with every sign-in and send,
// and losing them in a crash of the database only lets the delays start over.
// A row whose `ends` has passed means nothing any more. Times are
// milliseconds of the servers' wall clock; the rates come in millionths so
// that every parameter is a whole number.
const char kPostgresCounters[] = R"sql(
CREATE UNLOGGED TABLE counters(
  key BYTEA PRIMARY KEY,
  failures INTEGER NOT NULL DEFAULT 0,
  last_failure BIGINT NOT NULL DEFAULT 0,
  tokens DOUBLE PRECISION NOT NULL DEFAULT 0,
  filled BIGINT NOT NULL DEFAULT 0,
  ends BIGINT NOT NULL DEFAULT 0);
CREATE INDEX counters_by_end ON counters(ends);
CREATE FUNCTION counter_fail(p_key BYTEA, p_now BIGINT, p_forget BIGINT) RETURNS INTEGER LANGUAGE plpgsql AS $$
DECLARE c counters%ROWTYPE;
BEGIN
  INSERT INTO counters(key) VALUES(p_key) ON CONFLICT DO NOTHING;
  SELECT * INTO c FROM counters WHERE key = p_key FOR UPDATE;
  IF c.ends <= p_now THEN c.failures := 0; c.last_failure := 0; c.tokens := 0; c.filled := 0; c.ends := 0; END IF;
  IF p_now - c.last_failure >= p_forget THEN c.failures := 0; END IF;
  UPDATE counters SET failures = c.failures + 1, last_failure = p_now, tokens = c.tokens, filled = c.filled,
    ends = GREATEST(c.ends, p_now + p_forget) WHERE key = p_key;
  RETURN c.failures + 1;
END $$;
CREATE FUNCTION counter_take(p_key BYTEA, p_cost BIGINT, p_burst BIGINT, p_rate BIGINT, p_now BIGINT)
RETURNS INTEGER LANGUAGE plpgsql AS $$
DECLARE c counters%ROWTYPE; have DOUBLE PRECISION; allowed BOOLEAN;
  burst DOUBLE PRECISION := p_burst / 1e6; rate DOUBLE PRECISION := p_rate / 1e6;
BEGIN
  INSERT INTO counters(key) VALUES(p_key) ON CONFLICT DO NOTHING;
  SELECT * INTO c FROM counters WHERE key = p_key FOR UPDATE;
  IF c.ends <= p_now THEN
    c.failures := 0; c.last_failure := 0; have := burst;
  ELSE
    have := LEAST(burst, c.tokens + (p_now - c.filled) / 1000.0 * rate);
  END IF;
  allowed := have >= p_cost / 1e6;
  IF allowed THEN have := have - p_cost / 1e6; END IF;
  UPDATE counters SET failures = c.failures, last_failure = c.last_failure, tokens = have, filled = p_now,
    ends = p_now + FLOOR((burst - have) / rate * 1000)::BIGINT + 1 WHERE key = p_key;
  RETURN CASE WHEN allowed THEN 1 ELSE 0 END;
END $$;
)sql";

// Who is signed in on which server process, and which processes are alive.
const char kPostgresSessions[] = R"sql(
CREATE TABLE instances(
  id BYTEA PRIMARY KEY,
  alive_until BIGINT NOT NULL);
CREATE TABLE sessions(
  user_id BIGINT PRIMARY KEY,
  instance BYTEA NOT NULL,
  since BIGINT NOT NULL);
CREATE INDEX sessions_by_instance ON sessions(instance);
)sql";

struct Migration {
  int version;
  const char* sql;
};

// Each step with the schema version that it belongs to; a database below
// that version runs it.
const Migration kSqliteMigrations[] = {{1, kSqliteTables}, {1, kSqliteCountWaiting}};
const Migration kPostgresMigrations[] = {{1, kPostgresTables}, {2, kPostgresCounters}, {3, kPostgresSessions}};

// Serialises migrations between processes on PostgreSQL.
constexpr std::int64_t kMigrationLock = 0x6b69760000;

template <std::size_t N>
int latestOf(const Migration (&steps)[N]) {
  return steps[N - 1].version;
}

}  // namespace

int latestSchemaVersion(const Database& db) {
  return db.backend() == Database::Backend::kPostgres ? latestOf(kPostgresMigrations) : latestOf(kSqliteMigrations);
}

bool migrateSchema(Database& db, std::string* error) {
  auto fail = [&](const std::string& what) {
    if (error) *error = what;
    db.exec("ROLLBACK");
    return false;
  };
  const bool postgres = db.backend() == Database::Backend::kPostgres;
  const int latest = latestSchemaVersion(db);
  if (!db.begin()) return fail(db.lastError());
  if (!db.serialise(kMigrationLock)) return fail(db.lastError());
  const std::int64_t found = db.schemaVersion();
  if (found < 0) return fail(db.lastError());
  if (found > latest) {
    return fail("the database has schema version " + std::to_string(found) + ", newer than this kiv-server knows (" +
                std::to_string(latest) + "): run the newer kiv-server");
  }
  const auto run = [&](const Migration* begin, const Migration* end) {
    for (const Migration* step = begin; step != end; ++step) {
      if (step->version > found && !db.exec(step->sql)) return false;
    }
    return true;
  };
  const bool migrated = postgres ? run(std::begin(kPostgresMigrations), std::end(kPostgresMigrations))
                                 : run(std::begin(kSqliteMigrations), std::end(kSqliteMigrations));
  if (!migrated) return fail("migrating the schema: " + db.lastError());
  if (found != latest && !db.setSchemaVersion(latest)) return fail(db.lastError());
  if (!db.exec("COMMIT")) return fail(db.lastError());
  return true;
}

}  // namespace kiv::server
