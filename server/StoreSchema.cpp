#include "server/StoreSchema.h"

namespace kiv::server {

const char kSchema[] = R"sql(
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



// The waiting totals of a database made before they were kept by triggers.
const char kCountWaiting[] = R"sql(
DELETE FROM waiting_totals;
INSERT INTO waiting_totals(recipient, records, bytes)
  SELECT recipient, COUNT(*), SUM(LENGTH(text)) FROM messages GROUP BY recipient;
)sql";

}  // namespace kiv::server
