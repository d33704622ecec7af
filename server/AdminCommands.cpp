#include "server/AdminCommands.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "platform/Gbk.h"
#include "server/CleanText.h"
#include "server/DecimalText.h"
#include "server/DemoSeeder.h"
#include "server/MessageQueue.h"
#include "server/ServerLimits.h"
#include "server/WireTime.h"

namespace kiv::server {

namespace {

// GBK text for a terminal: UTF-8, with control bytes (the invitation
// markers) written as \xNN.
std::string printable(std::string_view gbkText) {
  std::string out;
  for (char c : gbk::toUtf8(gbkText)) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20) {
      static const char hex[] = "0123456789ABCDEF";
      out += "\\x";
      out += hex[byte >> 4];
      out += hex[byte & 15];
    } else {
      out += c;
    }
  }
  return out;
}

const char* kCommands[] = {"add-user",     "add-friend",  "create-group", "add-member",
                           "send-message", "cancel-user", "seed-demo",    "list"};

}  // namespace

bool AdminCommands::isAdminCommand(const std::string& command) {
  return std::find(std::begin(kCommands), std::end(kCommands), command) != std::end(kCommands);
}

std::optional<std::uint32_t> AdminCommands::number(const std::string& text, const char* what) {
  std::uint32_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value == 0) {
    err_ << "not a " << what << ": " << text << "\n";
    return std::nullopt;
  }
  return value;
}

int AdminCommands::run(const std::string& command, const std::vector<std::string>& a) {
  auto needs = [&](std::size_t n, const char* usage) {
    if (a.size() == n) return true;
    err_ << "usage: kiv-server [--db FILE] " << command << " " << usage << "\n";
    return false;
  };
  if (command == "add-user") {
    if (!needs(3, "PHONE PASSWORD NICKNAME")) return 2;
    const auto id = addUser(a[0], a[1], a[2]);
    if (id == 0) return 1;
    out_ << id << "\n";
    return 0;
  }
  if (command == "add-friend") {
    if (!needs(2, "USERID USERID")) return 2;
    const auto x = number(a[0], "UserId");
    const auto y = number(a[1], "UserId");
    if (!x || !y) return 2;
    return addFriend(*x, *y) ? 0 : 1;
  }
  if (command == "create-group") {
    if (!needs(2, "OWNER NAME")) return 2;
    const auto owner = number(a[0], "UserId");
    if (!owner) return 2;
    const auto id = createGroup(*owner, a[1]);
    if (id == 0) return 1;
    out_ << id << "\n";
    return 0;
  }
  if (command == "add-member") {
    if (!needs(2, "GROUPID USERID")) return 2;
    const auto group = number(a[0], "GroupId");
    const auto user = number(a[1], "UserId");
    if (!group || !user) return 2;
    return addMember(*group, *user) ? 0 : 1;
  }
  if (command == "send-message") {
    if (!needs(4, "FROM private|group TO TEXT")) return 2;
    const auto from = number(a[0], "UserId");
    const auto to = number(a[2], "UserId or GroupId");
    if (!from || !to) return 2;
    if (a[1] != "private" && a[1] != "group") {
      err_ << "the kind is private or group, not " << a[1] << "\n";
      return 2;
    }
    return sendMessage(*from, a[1], *to, a[3]) ? 0 : 1;
  }
  if (command == "cancel-user") {
    if (!needs(1, "USERID")) return 2;
    const auto user = number(a[0], "UserId");
    if (!user) return 2;
    return cancelUser(*user) ? 0 : 1;
  }
  if (command == "seed-demo") {
    if (!needs(0, "")) return 2;
    DemoSeeder seeder(*this, store_, out_);
    return seeder.seed() ? 0 : 1;
  }
  if (command == "list") {
    if (!needs(0, "")) return 2;
    list();
    return 0;
  }
  err_ << "unknown command " << command << "\n";
  return 2;
}

std::uint32_t AdminCommands::addUser(const std::string& phone, const std::string& password,
                                     const std::string& nicknameUtf8) {
  if (phone.size() != kMaxPhoneLength || !allDigits(phone)) {
    err_ << "the phone number must be 11 digits: " << phone << "\n";
    return 0;
  }
  if (password.empty() || password.size() > kMaxPasswordLength) {
    err_ << "the password must have 1 to " << kMaxPasswordLength << " bytes\n";
    return 0;
  }
  const std::string nickname = withoutControls(gbk::fromUtf8(nicknameUtf8));
  if (nickname.size() > kMaxNicknameLength) {
    err_ << "the nickname is longer than " << kMaxNicknameLength << " GBK bytes\n";
    return 0;
  }
  if (store_.accounts().accountByPhone(phone)) {
    err_ << "the phone number " << phone << " already has an account\n";
    return 0;
  }
  const auto id = store_.accounts().addAccount(phone, password, nickname);
  if (id == 0) err_ << "cannot add the account\n";
  return id;
}

bool AdminCommands::addFriend(std::uint32_t a, std::uint32_t b) {
  if (a == b || !store_.accounts().account(a) || !store_.accounts().account(b)) {
    err_ << "no such pair of users: " << a << " " << b << "\n";
    return false;
  }
  auto tx = store_.transaction();
  if (!store_.friends().isFriend(a, b) && store_.friends().friendCount(a) >= kMaxFriends) {
    err_ << "user " << a << " has " << kMaxFriends << " friends already\n";
    return false;
  }
  if (!store_.friends().isFriend(b, a) && store_.friends().friendCount(b) >= kMaxFriends) {
    err_ << "user " << b << " has " << kMaxFriends << " friends already\n";
    return false;
  }
  return store_.friends().addFriend(a, b) && store_.friends().addFriend(b, a) && tx.commit();
}

std::uint32_t AdminCommands::createGroup(std::uint32_t owner, const std::string& nameUtf8) {
  const std::string name = withoutControls(gbk::fromUtf8(nameUtf8));
  if (name.empty() || name.size() > kMaxNicknameLength) {
    err_ << "the group name must have 1 to " << kMaxNicknameLength << " GBK bytes\n";
    return 0;
  }
  auto tx = store_.transaction();
  const auto account = store_.accounts().account(owner);
  if (!account || account->cancelled) {
    err_ << "no such user: " << owner << "\n";
    return 0;
  }
  if (store_.groups().ownedGroupCount(owner) >= kMaxOwnedGroups ||
      store_.members().groupCount(owner) >= kMaxGroupsPerUser) {
    err_ << "user " << owner << " already owns " << kMaxOwnedGroups << " groups or is in " << kMaxGroupsPerUser << "\n";
    return 0;
  }
  const auto id = store_.groups().createGroup(owner, name, wireTime(clock_.localNow()));
  if (id == 0 || !tx.commit()) {
    err_ << "cannot create the group\n";
    return 0;
  }
  return id;
}

bool AdminCommands::addMember(std::uint32_t groupId, std::uint32_t userId) {
  auto tx = store_.transaction();
  const auto group = store_.groups().group(groupId);
  const auto account = store_.accounts().account(userId);
  if (!group || group->dismissed || !account) {
    err_ << "no such group or user: " << groupId << " " << userId << "\n";
    return false;
  }
  if (store_.members().isMember(groupId, userId)) return true;
  if (store_.members().groupCount(userId) >= kMaxGroupsPerUser ||
      store_.members().memberCount(groupId) >= kMaxGroupMembers) {
    err_ << "user " << userId << " is in " << kMaxGroupsPerUser << " groups, or the group is full\n";
    return false;
  }
  const bool added = store_.members().addMember(groupId, userId);
  store_.members().clearPending(groupId, userId);
  return added && tx.commit();
}

bool AdminCommands::sendMessage(std::uint32_t from, const std::string& kind, std::uint32_t to,
                                const std::string& textUtf8) {
  MessageQueue queue(store_);
  const auto result =
      queue.send(from, kind == "group" ? ConversationKind::kGroup : ConversationKind::kPrivate, to, gbk::fromUtf8(textUtf8), wireTime(clock_.localNow()));
  if (result != MessageQueue::kDelivered) {
    err_ << "not queued (send result " << static_cast<int>(result) << ")\n";
    return false;
  }
  return true;
}

bool AdminCommands::cancelUser(std::uint32_t userId) {
  if (userId == 0 || !store_.accounts().setCancelled(userId, true)) {
    err_ << "no such user: " << userId << "\n";
    return false;
  }
  return true;
}

void AdminCommands::list() {
  out_ << "users:\n";
  for (const auto& a : store_.accounts().all()) {
    out_ << "  " << a.userId << " " << a.phone << " " << printable(a.nickname) << (a.cancelled ? " (cancelled)" : "")
         << "\n";
  }
  out_ << "friends:\n";
  for (const auto& [owner, friendId] : store_.friends().all()) out_ << "  " << owner << " -> " << friendId << "\n";
  out_ << "groups:\n";
  for (const auto& g : store_.groups().all()) {
    out_ << "  " << g.groupId << " " << printable(g.name) << " owner " << g.owner << (g.type == 2 ? " broadcast" : "")
         << (g.dismissed ? " (dismissed)" : "") << "\n";
  }
  out_ << "members:\n";
  for (const auto& g : store_.groups().all()) {
    for (const auto& m : store_.members().members(g.groupId)) {
      out_ << "  " << g.groupId << " " << m.userId << " " << printable(m.nickname) << (m.owner ? " owner" : "")
           << (m.shielded ? " shielded" : "") << "\n";
    }
  }
  out_ << "waiting messages:\n";
  for (const auto& q : store_.waiting().all()) {
    out_ << "  to " << q.recipient << (q.kind == ConversationKind::kGroup ? " group " : " private ") << q.conversation
         << " from " << q.message.sender << " at " << q.message.time << ": " << printable(q.message.text) << "\n";
  }
}

}  // namespace kiv::server
