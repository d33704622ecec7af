#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "server/AccountStore.h"
#include "server/AnswerStore.h"
#include "server/AvatarStore.h"
#include "server/Database.h"
#include "server/FriendStore.h"
#include "server/GroupStore.h"
#include "server/MemberStore.h"
#include "server/NameSearch.h"
#include "server/StoreTypes.h"
#include "server/Transaction.h"
#include "server/WaitingStore.h"

namespace kiv::server {

// Everything the server keeps, in one database (an SQLite file, or
// PostgreSQL shared by several server processes): accounts, friends, groups
// and their members, waiting messages, pending invitations and join
// requests, avatars, answers kept for repeats. Nothing is cached: every call
// reads or writes the database, so a change made by an admin command or by
// another server process is seen at the next request. One Store (one
// connection) per thread.
//
// Each part has a class of its own (accounts(), groups(), ...); the calls
// below are the same calls by their old names, for the handlers and tests.
class Store {
 public:
  // Opens the database (Database::open), brings its tables to this
  // program's version and adds the customer-service account when missing.
  // nullptr (and `error`) when the database cannot be used.
  static std::unique_ptr<Store> open(const std::string& location, std::string* error);

  // Groups several calls into one atomic change.
  Transaction transaction() { return Transaction(*db_); }
  Database& database() { return *db_; }

  AccountStore& accountRows() { return accounts_; }
  FriendStore& friendRows() { return friends_; }
  GroupStore& groupRows() { return groups_; }
  MemberStore& memberRows() { return members_; }
  WaitingStore& waiting() { return waiting_; }
  AnswerStore& answers() { return answers_; }
  NameSearch& search() { return search_; }
  AvatarStore& avatars() { return avatars_; }

  std::optional<Account> account(std::uint32_t id) { return accounts_.account(id); }
  std::optional<Account> accountByPhone(std::string_view phone) { return accounts_.accountByPhone(phone); }
  std::uint32_t addAccount(std::string_view phone, std::string_view password, std::string_view nickname) {
    return accounts_.addAccount(phone, password, nickname);
  }
  bool updateProfile(std::uint32_t id, std::string_view nickname, std::string_view sex, std::string_view introduction,
                     std::string_view birthday) {
    return accounts_.updateProfile(id, nickname, sex, introduction, birthday);
  }
  bool setExtras(std::uint32_t id, std::int32_t points, std::string_view city) {
    return accounts_.setExtras(id, points, city);
  }
  bool setPassword(std::uint32_t id, std::string_view password) { return accounts_.setPassword(id, password); }
  bool setCancelled(std::uint32_t id, bool cancelled) { return accounts_.setCancelled(id, cancelled); }
  std::vector<Account> accounts() { return accounts_.all(); }
  std::vector<std::uint32_t> cancelledAccounts() { return accounts_.cancelled(); }
  // A number that changes whenever another connection may have changed the data.
  std::int64_t dataVersion() { return db_->dataVersion(); }

  std::vector<NamedId> friends(std::uint32_t id) { return friends_.friends(id); }
  bool isFriend(std::uint32_t id, std::uint32_t friendId) { return friends_.isFriend(id, friendId); }
  std::size_t friendCount(std::uint32_t id) { return friends_.friendCount(id); }
  bool addFriend(std::uint32_t id, std::uint32_t friendId) { return friends_.addFriend(id, friendId); }
  bool removeFriend(std::uint32_t id, std::uint32_t friendId) { return friends_.removeFriend(id, friendId); }
  std::vector<std::pair<std::uint32_t, std::uint32_t>> friendships() { return friends_.all(); }

  std::uint32_t createGroup(std::uint32_t owner, std::string_view name, std::string_view created) {
    return groups_.createGroup(owner, name, created);
  }
  std::optional<Group> group(std::uint32_t id) { return groups_.group(id); }
  bool updateGroup(std::uint32_t id, std::string_view name, std::string_view category, std::string_view introduction,
                   std::uint8_t type) {
    return groups_.updateGroup(id, name, category, introduction, type);
  }
  bool dismissGroup(std::uint32_t id) { return groups_.dismissGroup(id); }
  std::vector<Group> groups() { return groups_.all(); }
  std::size_t ownedGroupCount(std::uint32_t userId) { return groups_.ownedGroupCount(userId); }

  std::vector<Membership> memberships(std::uint32_t userId) { return members_.memberships(userId); }
  std::size_t groupCount(std::uint32_t userId) { return members_.groupCount(userId); }
  std::vector<Member> members(std::uint32_t groupId) { return members_.members(groupId); }
  bool isMember(std::uint32_t groupId, std::uint32_t userId) { return members_.isMember(groupId, userId); }
  std::size_t memberCount(std::uint32_t groupId) { return members_.memberCount(groupId); }
  bool addMember(std::uint32_t groupId, std::uint32_t userId) { return members_.addMember(groupId, userId); }
  bool removeMember(std::uint32_t groupId, std::uint32_t userId) { return members_.removeMember(groupId, userId); }
  bool setShielded(std::uint32_t groupId, std::uint32_t userId, bool shielded) {
    return members_.setShielded(groupId, userId, shielded);
  }
  bool addInvitation(std::uint32_t groupId, std::uint32_t userId) { return members_.addInvitation(groupId, userId); }
  bool hasInvitation(std::uint32_t groupId, std::uint32_t userId) { return members_.hasInvitation(groupId, userId); }
  bool addJoinRequest(std::uint32_t groupId, std::uint32_t userId) { return members_.addJoinRequest(groupId, userId); }
  bool hasJoinRequest(std::uint32_t groupId, std::uint32_t userId) {
    return members_.hasJoinRequest(groupId, userId);
  }
  void clearPending(std::uint32_t groupId, std::uint32_t userId) { members_.clearPending(groupId, userId); }

  bool queueMessage(std::uint32_t recipient, ConversationKind kind, std::uint32_t conversation, std::uint32_t sender,
                    const std::vector<std::string>& records, std::string_view time) {
    return waiting_.queueMessage(recipient, kind, conversation, sender, records, time);
  }
  bool queueMessage(std::uint32_t recipient, ConversationKind kind, std::uint32_t conversation, std::uint32_t sender,
                    std::string_view record, std::string_view time) {
    return queueMessage(recipient, kind, conversation, sender, std::vector<std::string>{std::string(record)}, time);
  }
  WaitingTotals waitingTotals(std::uint32_t recipient) { return waiting_.waitingTotals(recipient); }
  std::vector<WaitingConversation> waitingConversations(std::uint32_t recipient, std::size_t limit) {
    return waiting_.waitingConversations(recipient, limit);
  }
  std::vector<WaitingMessage> takeMessages(std::uint32_t recipient, ConversationKind kind, std::uint32_t conversation,
                                           std::size_t limit) {
    return waiting_.takeMessages(recipient, kind, conversation, limit);
  }
  std::vector<QueuedMessage> allWaiting() { return waiting_.all(); }

  static constexpr std::int64_t kAnswerKeptSeconds = AnswerStore::kKeptSeconds;
  std::optional<std::string> givenAnswer(std::uint32_t userId, std::string_view request, std::int64_t now) {
    return answers_.givenAnswer(userId, request, now);
  }
  bool rememberAnswer(std::uint32_t userId, std::string_view request, std::string_view answer, std::int64_t now,
                      std::size_t keep = 64) {
    return answers_.rememberAnswer(userId, request, answer, now, keep);
  }
  std::size_t keptAnswerCount(std::uint32_t userId) { return answers_.keptAnswerCount(userId); }

  std::vector<NamedId> searchUsers(std::string_view text, std::size_t offset, std::size_t limit) {
    return search_.searchUsers(text, offset, limit);
  }
  std::vector<NamedId> searchGroups(std::string_view text, std::size_t offset, std::size_t limit) {
    return search_.searchGroups(text, offset, limit);
  }

  bool putAvatar(bool group, std::uint32_t id, std::string_view jpeg) { return avatars_.putAvatar(group, id, jpeg); }
  std::optional<std::string> avatar(bool group, std::uint32_t id) { return avatars_.avatar(group, id); }

 private:
  explicit Store(std::unique_ptr<Database> db);
  bool addServiceAccount();

  std::unique_ptr<Database> db_;
  AccountStore accounts_;
  FriendStore friends_;
  GroupStore groups_;
  MemberStore members_;
  WaitingStore waiting_;
  AnswerStore answers_;
  NameSearch search_;
  AvatarStore avatars_;
};

}  // namespace kiv::server
