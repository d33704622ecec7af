#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "model/ContactEntry.h"
#include "model/ContactList.h"
#include "model/ContactListKind.h"
#include "model/ConversationRegistry.h"
#include "model/GroupEntry.h"
#include "model/SelfProfile.h"
#include "model/UnreadCounts.h"
#include "net/ConversationKind.h"
#include "net/FriendRecord.h"
#include "net/GroupRecord.h"

namespace kiv {

class ContactModelObserver;
class HistoryStore;
struct FriendListResponse;
struct GroupListResponse;
struct GroupMembersResponse;

// Everything the client knows, for one sign-in, about who the user is and
// whom the user can talk to: the own profile, the friend and group tables as
// they came off the wire, the friend and stranger lists, the groups with
// their members, and the open conversations.
//
// Threading: the model has no lock. It belongs to the thread that created it
// (the UI thread; bindToCurrentThread() moves it), and only that thread may
// change it. The list answers arrive on the connection's receive thread,
// which hands each packet to the UI thread and waits until it has been
// applied, so one replacement is complete before the next begins and no
// reader ever sees half of one. A change attempted from any other thread is
// refused (nothing changes, wrongThreadCalls() counts it) rather than racing
// the readers.
class ContactModel {
 public:
  // The most records of one friend or group list that are taken in; the
  // rest of a longer answer is ignored.
  static constexpr std::size_t kKeptFriends = 200;
  static constexpr std::size_t kKeptGroups = 10;
  static constexpr std::int32_t kServiceAccountId = 1000;

  ContactModel();
  ContactModel(const ContactModel&) = delete;
  ContactModel& operator=(const ContactModel&) = delete;

  void bindToCurrentThread() { owner_ = std::this_thread::get_id(); }
  int wrongThreadCalls() const { return wrongThreadCalls_; }

  // Observers are told of every change; they must outlive their
  // registration.
  void addObserver(ContactModelObserver* observer);
  void removeObserver(ContactModelObserver* observer);

  const SelfProfile& self() const { return self_; }
  // Takes the own profile and tells the observers (selfChanged).
  void setSelf(const SelfProfile& profile);
  // Tells the observers that the cached avatar of `id` was replaced.
  void announceAvatar(std::int32_t id, bool group);

  // Replace friends: the friend list adds or updates a row for every friend
  // of the first 200 records (UserId 0 is an empty record). Friends missing
  // from the answer keep their rows.
  void replaceFriends(const FriendListResponse& response);

  // Replace groups: of the first 10 records every listed group (GroupId 0 is
  // an empty record) is added or updated in their order, then
  // every group no longer listed is removed with its windows. Returns the
  // GroupIds whose members are to be asked for, in order.
  std::vector<std::int32_t> replaceGroups(const GroupListResponse& response);

  // Replace members of the group named by the request: add or update every
  // member (an owner is put first), then remove those no longer listed. An
  // answer for a group that is not in the tree is ignored (false).
  bool replaceMembers(std::int32_t groupId, const GroupMembersResponse& response);

  // The friend or stranger list.
  const ContactList& list(ContactListKind kind) const {
    return kind == ContactListKind::kFriends ? friends_ : strangers_;
  }
  // Adds a row at the end, or updates the entry when its nickname or
  // terminal changed. Returns the entry's row (-1 when refused).
  int addOrUpdateContact(ContactListKind kind, const ContactEntry& entry);
  // Deletes the row (later rows move up) and destroys the person's private
  // conversation. False when the list lacks the UserId.
  bool removeContact(ContactListKind kind, std::int32_t userId);

  // Groups in tree order.
  const std::vector<GroupEntry>& groups() const { return groups_; }
  const GroupEntry* findGroup(std::int32_t groupId) const;
  // Adds a group at the end; an existing one takes the new GroupId, text,
  // owner and shield only when its display text differs (texts decide what
  // the tree shows).
  void addOrUpdateGroup(std::int32_t groupId, const std::string& displayText, bool owner,
                        bool shielded);
  // Destroys the group's conversation and the private conversations of its
  // members, then deletes the group. False when absent.
  bool removeGroup(std::int32_t groupId);
  // Groups the user created; a third is refused.
  int ownedGroupCount() const;
  // Sets the tree text (a rename), cut to 39 bytes.
  bool setGroupText(std::int32_t groupId, const std::string& displayText);
  // Stores a new shield state and rebuilds the text from the group's name:
  // name, "(屏蔽中)" when shielded, 10 spaces.
  bool setGroupShield(std::int32_t groupId, bool shielded);

  // Adds or updates a member under its group (an owner goes first). False
  // when the group is absent.
  bool addOrUpdateMember(std::int32_t groupId, const ContactEntry& member);
  // Deletes the member and destroys its private conversation. False when
  // the group or the member is absent.
  bool removeMember(std::int32_t groupId, std::int32_t userId);

  const ContactEntry* findFriend(std::int32_t userId) const { return friends_.find(userId); }
  const ContactEntry* findStranger(std::int32_t userId) const { return strangers_.find(userId); }

  // A person found among the members of the user's groups.
  struct MemberMatch {
    std::string nickname;   // trimmed
    std::string groupText;  // the group's display text, trimmed
    std::int32_t terminal = 0;
    std::int32_t groupId = 0;
  };
  // The first group in tree order that holds the UserId decides.
  std::optional<MemberMatch> findMemberInAnyGroup(std::int32_t userId) const;

  // Builds the stranger list from the message store: every stored stranger
  // with a positive UserId ("匿名" for an empty nickname), then the
  // customer-service account.
  void loadStrangers(HistoryStore& store);
  // Writes the stranger list back (customer service included), replacing
  // what was stored. False when the store refused.
  bool saveStrangers(HistoryStore& store) const;

  ConversationRegistry& conversations() { return conversations_; }
  const ConversationRegistry& conversations() const { return conversations_; }

  // The messages waiting per conversation; a change tells the observers
  // (unreadChanged).
  const UnreadCounts& unread() const { return unread_; }
  void addUnread(ConversationKind kind, std::int32_t number, int messages);
  void clearUnread(ConversationKind kind, std::int32_t number);

 private:
  bool onOwnerThread();
  GroupEntry* group(std::int32_t groupId);
  ContactList& listOf(ContactListKind kind) { return kind == ContactListKind::kFriends ? friends_ : strangers_; }
  template <class Call>
  void notify(Call call);

  std::thread::id owner_;
  std::atomic<int> wrongThreadCalls_{0};
  std::vector<ContactModelObserver*> observers_;
  SelfProfile self_;
  ContactList friends_;
  ContactList strangers_;
  std::vector<GroupEntry> groups_;
  ConversationRegistry conversations_;
  UnreadCounts unread_;
};

}  // namespace kiv
