#include "model/ContactModel.h"

#include <algorithm>
#include <set>
#include <utility>

#include "model/ContactModelObserver.h"
#include "model/ItemTexts.h"
#include "net/FriendListMessages.h"
#include "net/GroupListMessages.h"
#include "net/GroupMembersMessages.h"
#include "platform/Gbk.h"
#include "storage/HistoryStore.h"

namespace kiv {

ContactModel::ContactModel() : owner_(std::this_thread::get_id()) {}

bool ContactModel::onOwnerThread() {
  if (std::this_thread::get_id() == owner_) return true;
  ++wrongThreadCalls_;
  return false;
}

template <class Call>
void ContactModel::notify(Call call) {
  // A copy: an observer may unregister itself while being told.
  const auto observers = observers_;
  for (ContactModelObserver* observer : observers) call(*observer);
}

void ContactModel::addObserver(ContactModelObserver* observer) {
  if (observer != nullptr && std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
    observers_.push_back(observer);
}

void ContactModel::removeObserver(ContactModelObserver* observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void ContactModel::setSelf(const SelfProfile& profile) {
  if (!onOwnerThread()) return;
  self_ = profile;
  notify([&](ContactModelObserver& o) { o.selfChanged(self_); });
}

void ContactModel::announceAvatar(std::int32_t id, bool group) {
  if (!onOwnerThread()) return;
  notify([&](ContactModelObserver& o) { o.avatarChanged(id, group); });
}

void ContactModel::addUnread(ConversationKind kind, std::int32_t number, int messages) {
  if (!onOwnerThread() || messages <= 0) return;
  unread_.add(kind, number, messages);
  notify([&](ContactModelObserver& o) { o.unreadChanged(kind, number); });
}

void ContactModel::clearUnread(ConversationKind kind, std::int32_t number) {
  if (!onOwnerThread() || !unread_.clear(kind, number)) return;
  notify([&](ContactModelObserver& o) { o.unreadChanged(kind, number); });
}

void ContactModel::replaceFriends(const FriendListResponse& response) {
  if (!onOwnerThread()) return;
  const std::size_t count = std::min(response.friends.size(), kKeptFriends);
  for (std::size_t i = 0; i < count; ++i) {
    const FriendRecord& record = response.friends[i];
    if (record.userId == 0) continue;
    ContactEntry entry;
    entry.userId = static_cast<std::int32_t>(record.userId);
    entry.nickname = texts::nicknameOrAnonymous(record.nickname);
    entry.terminal = record.terminal;
    addOrUpdateContact(ContactListKind::kFriends, entry);
  }
}

std::vector<std::int32_t> ContactModel::replaceGroups(const GroupListResponse& response) {
  std::vector<std::int32_t> listed;
  if (!onOwnerThread()) return listed;
  const std::size_t count = std::min(response.groups.size(), kKeptGroups);
  for (std::size_t i = 0; i < count; ++i) {
    const GroupRecord& record = response.groups[i];
    if (record.groupId == 0) continue;
    const auto groupId = static_cast<std::int32_t>(record.groupId);
    addOrUpdateGroup(groupId, texts::groupItem(record.name, record.shielded != 0, texts::kListedGroupSpaces),
                     record.owner != 0, record.shielded != 0);
    listed.push_back(groupId);
  }
  std::vector<std::int32_t> gone;
  for (const auto& entry : groups_)
    if (std::find(listed.begin(), listed.end(), entry.groupId) == listed.end()) gone.push_back(entry.groupId);
  for (std::int32_t groupId : gone) removeGroup(groupId);
  return listed;
}

bool ContactModel::replaceMembers(std::int32_t groupId, const GroupMembersResponse& response) {
  if (!onOwnerThread() || group(groupId) == nullptr) return false;
  std::set<std::int32_t> listed;
  for (const auto& record : response.members) {
    ContactEntry member;
    member.userId = static_cast<std::int32_t>(record.userId);
    member.nickname = texts::clipNickname(record.nickname);
    member.terminal = record.terminal;
    member.owner = record.owner != 0;
    member.extra = record.extra;
    addOrUpdateMember(groupId, member);
    listed.insert(member.userId);
  }
  std::vector<std::int32_t> gone;
  for (const auto& member : group(groupId)->members)
    if (listed.count(member.userId) == 0) gone.push_back(member.userId);
  for (std::int32_t userId : gone) removeMember(groupId, userId);
  return true;
}

int ContactModel::addOrUpdateContact(ContactListKind kind, const ContactEntry& entry) {
  if (!onOwnerThread()) return -1;
  ContactEntry clean = entry;
  clean.nickname = texts::clipNickname(entry.nickname);
  int row = -1;
  const auto outcome = listOf(kind).addOrUpdate(clean, row);
  const ContactEntry& stored = *listOf(kind).find(clean.userId);
  if (outcome == ContactList::Outcome::kAdded) notify([&](auto& o) { o.contactAdded(kind, row, stored); });
  if (outcome == ContactList::Outcome::kChanged) notify([&](auto& o) { o.contactChanged(kind, row, stored); });
  return row;
}

bool ContactModel::removeContact(ContactListKind kind, std::int32_t userId) {
  if (!onOwnerThread()) return false;
  const int row = listOf(kind).remove(userId);
  if (row < 0) return false;
  notify([&](auto& o) { o.contactRemoved(kind, row, userId); });
  conversations_.destroyPrivate(userId);
  return true;
}

GroupEntry* ContactModel::group(std::int32_t groupId) {
  return const_cast<GroupEntry*>(findGroup(groupId));
}

const GroupEntry* ContactModel::findGroup(std::int32_t groupId) const {
  for (const auto& entry : groups_)
    if (entry.groupId == groupId) return &entry;
  return nullptr;
}

void ContactModel::addOrUpdateGroup(std::int32_t groupId, const std::string& displayText, bool owner,
                                    bool shielded) {
  if (!onOwnerThread()) return;
  const std::string text(gbk::cut(displayText, GroupEntry::kDisplayTextMax));
  if (GroupEntry* existing = group(groupId)) {
    if (existing->displayText == text) return;
    existing->displayText = text;
    existing->owner = owner;
    existing->shielded = shielded;
    notify([&](auto& o) { o.groupChanged(*existing); });
    return;
  }
  GroupEntry entry;
  entry.groupId = groupId;
  entry.displayText = text;
  entry.owner = owner;
  entry.shielded = shielded;
  groups_.push_back(std::move(entry));
  notify([&](auto& o) { o.groupAdded(groups_.back()); });
}

bool ContactModel::removeGroup(std::int32_t groupId) {
  if (!onOwnerThread()) return false;
  const auto it = std::find_if(groups_.begin(), groups_.end(), [&](const auto& g) { return g.groupId == groupId; });
  if (it == groups_.end()) return false;
  GroupEntry removed = std::move(*it);
  groups_.erase(it);
  // The windows go after the entry: a window's destroy() may look the
  // group up and must not find it half removed.
  notify([&](auto& o) { o.groupRemoved(groupId); });
  conversations_.destroyGroup(groupId);
  for (const auto& member : removed.members) conversations_.destroyPrivate(member.userId);
  return true;
}

int ContactModel::ownedGroupCount() const {
  return static_cast<int>(std::count_if(groups_.begin(), groups_.end(), [](const auto& g) { return g.owner; }));
}

bool ContactModel::setGroupText(std::int32_t groupId, const std::string& displayText) {
  if (!onOwnerThread()) return false;
  GroupEntry* entry = group(groupId);
  if (entry == nullptr) return false;
  entry->displayText = std::string(gbk::cut(displayText, GroupEntry::kDisplayTextMax));
  notify([&](auto& o) { o.groupChanged(*entry); });
  return true;
}

bool ContactModel::setGroupShield(std::int32_t groupId, bool shielded) {
  if (!onOwnerThread()) return false;
  GroupEntry* entry = group(groupId);
  if (entry == nullptr) return false;
  entry->shielded = shielded;
  entry->displayText =
      texts::groupItem(texts::groupNameOf(entry->displayText), shielded, texts::kReshieldedGroupSpaces);
  notify([&](auto& o) { o.groupChanged(*entry); });
  return true;
}

bool ContactModel::addOrUpdateMember(std::int32_t groupId, const ContactEntry& member) {
  if (!onOwnerThread()) return false;
  GroupEntry* entry = group(groupId);
  if (entry == nullptr) return false;
  ContactEntry clean = member;
  clean.nickname = texts::clipNickname(member.nickname);
  for (auto& stored : entry->members) {
    if (stored.userId != clean.userId) continue;
    if (stored.looksLike(clean)) return true;
    stored = clean;
    notify([&](auto& o) { o.memberChanged(groupId, stored); });
    return true;
  }
  const bool first = clean.owner;
  if (first) {
    entry->members.insert(entry->members.begin(), clean);
  } else {
    entry->members.push_back(clean);
  }
  const ContactEntry& stored = first ? entry->members.front() : entry->members.back();
  notify([&](auto& o) { o.memberAdded(groupId, stored, first); });
  return true;
}

bool ContactModel::removeMember(std::int32_t groupId, std::int32_t userId) {
  if (!onOwnerThread()) return false;
  GroupEntry* entry = group(groupId);
  if (entry == nullptr) return false;
  auto& members = entry->members;
  const auto it = std::find_if(members.begin(), members.end(), [&](const auto& m) { return m.userId == userId; });
  if (it == members.end()) return false;
  members.erase(it);
  notify([&](auto& o) { o.memberRemoved(groupId, userId); });
  conversations_.destroyPrivate(userId);
  return true;
}

std::optional<ContactModel::MemberMatch> ContactModel::findMemberInAnyGroup(std::int32_t userId) const {
  for (const auto& entry : groups_) {
    if (const ContactEntry* member = entry.findMember(userId)) {
      return MemberMatch{texts::trimmed(member->nickname), texts::trimmed(entry.displayText), member->terminal,
                         entry.groupId};
    }
  }
  return std::nullopt;
}

void ContactModel::loadStrangers(HistoryStore& store) {
  if (!onOwnerThread()) return;
  StrangerMap stored;
  std::vector<std::int32_t> order;
  store.LoadStrangers(stored, &order);
  // Rows keep the order in which the strangers were stored.
  for (std::int32_t userId : order) {
    if (userId <= 0) continue;
    ContactEntry entry;
    entry.userId = userId;
    entry.nickname = texts::nicknameOrAnonymous(stored[userId]);
    addOrUpdateContact(ContactListKind::kStrangers, entry);
  }
  ContactEntry service;
  service.userId = kServiceAccountId;
  service.nickname = texts::serviceAccountName();
  addOrUpdateContact(ContactListKind::kStrangers, service);
}

bool ContactModel::saveStrangers(HistoryStore& store) const {
  if (!store.ClearTable(HistoryStore::kStrangerTable)) return false;
  bool ok = true;
  for (std::int32_t userId : strangers_.rows()) {
    if (!store.AppendStranger(userId, strangers_.find(userId)->nickname)) ok = false;
  }
  return ok;
}

}  // namespace kiv
