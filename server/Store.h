#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "server/Database.h"
#include "server/StoreTypes.h"
#include "server/Transaction.h"

namespace kiv::server {

// Everything the server keeps, in one SQLite file: accounts, friends, groups
// and their members, waiting messages, pending invitations and join requests,
// avatars. Nothing is cached: every call reads or writes the file, so a change
// made by an admin command in another process is seen at the next request.
// One Store (one connection) per thread.
class Store {
 public:
  // Opens the file and creates the tables and the customer-service account
  // when they are missing. nullptr (and `error`) when the file cannot be used.
  static std::unique_ptr<Store> open(const std::string& path, std::string* error);

  // Groups several calls into one atomic change.
  Transaction transaction() { return Transaction(*db_); }

  // Accounts.
  std::optional<Account> account(std::uint32_t userId);
  std::optional<Account> accountByPhone(std::string_view phone);
  // The new UserId, or 0 when the phone is taken or the row cannot be added.
  std::uint32_t addAccount(std::string_view phone, std::string_view password, std::string_view nickname);
  bool updateProfile(std::uint32_t userId, std::string_view nickname, std::string_view sex,
                     std::string_view introduction, std::string_view birthday);
  bool setExtras(std::uint32_t userId, std::int32_t points, std::string_view city);
  bool setPassword(std::uint32_t userId, std::string_view password);
  bool setCancelled(std::uint32_t userId, bool cancelled);
  std::vector<Account> accounts();
  std::vector<std::uint32_t> cancelledAccounts();
  // A number that changes whenever another connection (the other port, an
  // admin command) has changed the file.
  std::int64_t dataVersion();

  // Friends: one row per direction.
  std::vector<NamedId> friends(std::uint32_t userId);
  bool isFriend(std::uint32_t userId, std::uint32_t friendId);
  std::size_t friendCount(std::uint32_t userId);
  bool addFriend(std::uint32_t userId, std::uint32_t friendId);
  bool removeFriend(std::uint32_t userId, std::uint32_t friendId);
  std::vector<std::pair<std::uint32_t, std::uint32_t>> friendships();

  // Groups. A dismissed group keeps its row (and so its GroupId) but has no
  // members any more.
  std::uint32_t createGroup(std::uint32_t owner, std::string_view name, std::string_view created);
  std::optional<Group> group(std::uint32_t groupId);
  bool updateGroup(std::uint32_t groupId, std::string_view name, std::string_view category,
                   std::string_view introduction, std::uint8_t type);
  bool dismissGroup(std::uint32_t groupId);
  std::vector<Group> groups();

  std::vector<Membership> memberships(std::uint32_t userId);
  std::size_t groupCount(std::uint32_t userId);
  std::size_t ownedGroupCount(std::uint32_t userId);
  std::vector<Member> members(std::uint32_t groupId);
  bool isMember(std::uint32_t groupId, std::uint32_t userId);
  std::size_t memberCount(std::uint32_t groupId);
  bool addMember(std::uint32_t groupId, std::uint32_t userId);
  bool removeMember(std::uint32_t groupId, std::uint32_t userId);
  bool setShielded(std::uint32_t groupId, std::uint32_t userId, bool shielded);

  // An owner's invitation waiting for the user, and a user's request to join
  // waiting for the owner.
  bool addInvitation(std::uint32_t groupId, std::uint32_t userId);
  bool hasInvitation(std::uint32_t groupId, std::uint32_t userId);
  bool addJoinRequest(std::uint32_t groupId, std::uint32_t userId);
  bool hasJoinRequest(std::uint32_t groupId, std::uint32_t userId);
  // Drops both kinds for the pair (the user is in the group now).
  void clearPending(std::uint32_t groupId, std::uint32_t userId);

  // Waiting messages, kept per recipient and conversation in arrival order:
  // the records of one message for one recipient.
  bool queueMessage(std::uint32_t recipient, ConversationKind kind, std::uint32_t conversation, std::uint32_t sender,
                    const std::vector<std::string>& records, std::string_view time);
  bool queueMessage(std::uint32_t recipient, ConversationKind kind, std::uint32_t conversation, std::uint32_t sender,
                    std::string_view record, std::string_view time) {
    return queueMessage(recipient, kind, conversation, sender, std::vector<std::string>{std::string(record)}, time);
  }
  // How much waits for `recipient` in all: records and their text bytes.
  WaitingTotals waitingTotals(std::uint32_t recipient);
  // Conversations with waiting messages, the one waiting longest first.
  std::vector<WaitingConversation> waitingConversations(std::uint32_t recipient, std::size_t limit);
  // The oldest `limit` messages of one conversation, removed from the store.
  std::vector<WaitingMessage> takeMessages(std::uint32_t recipient, ConversationKind kind, std::uint32_t conversation,
                                           std::size_t limit);
  // Answers given to the requests that change what is stored (a message
  // sent, messages fetched), by user and the request's whole packet. A
  // client that did not get an answer (its connection broke, the server went
  // down) sends the very same request again; it must get the first answer
  // again, not the change made twice. Kept for ten minutes, longer than a
  // client goes on repeating a request, and at most the newest `keep` per
  // user (a client has at most 50 requests outstanding).
  static constexpr std::int64_t kAnswerKeptSeconds = 600;
  std::optional<std::string> givenAnswer(std::uint32_t userId, std::string_view request, std::int64_t now);
  bool rememberAnswer(std::uint32_t userId, std::string_view request, std::string_view answer, std::int64_t now,
                      std::size_t keep = 64);
  std::size_t keptAnswerCount(std::uint32_t userId);

  struct QueuedMessage {
    std::uint32_t recipient = 0;
    ConversationKind kind = ConversationKind::kPrivate;
    std::uint32_t conversation = 0;
    WaitingMessage message;
  };
  std::vector<QueuedMessage> allWaiting();

  // Search. Names match where `text` occurs at a character boundary (ASCII
  // letters case-insensitively); an empty text matches every name. Results
  // are ordered by number; cancelled accounts and dismissed groups are left
  // out.
  std::vector<NamedId> searchUsers(std::string_view text, std::size_t offset, std::size_t limit);
  std::vector<NamedId> searchGroups(std::string_view text, std::size_t offset, std::size_t limit);

  // Avatars as JPEG bytes.
  bool putAvatar(bool group, std::uint32_t id, std::string_view jpeg);
  std::optional<std::string> avatar(bool group, std::uint32_t id);

 private:
  explicit Store(std::unique_ptr<Database> db) : db_(std::move(db)) {}
  bool createSchema();
  std::uint32_t nextId(const char* maxSql, std::uint32_t first);
  // A row exists for the two parameters; the count for one; a statement with
  // two parameters ran.
  bool hasRow(const char* sql, std::int64_t a, std::int64_t b);
  std::size_t count(const char* sql, std::int64_t a);
  bool runPair(const char* sql, std::int64_t a, std::int64_t b);
  std::vector<NamedId> searchNames(const char* sql, std::string_view text, std::size_t offset, std::size_t limit);

  std::unique_ptr<Database> db_;
  std::int64_t lastPrune_ = 0;  // when old answers were last removed
};

// True when `needle` occurs in `haystack` starting at a character boundary of
// the GBK text (ASCII letters compared case-insensitively).
bool containsGbk(std::string_view haystack, std::string_view needle);

}  // namespace kiv::server
