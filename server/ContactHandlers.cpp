#include "server/ContactHandlers.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "net/AddFriendMessages.h"
#include "net/DeleteFriendMessages.h"
#include "net/FriendListMessages.h"
#include "net/SearchMessages.h"
#include "server/FieldText.h"
#include "server/ServerLimits.h"

namespace kiv::server {

namespace {

// A number search takes the text as a decimal number, blanks around it
// allowed; anything else finds nothing.
std::optional<std::uint32_t> numberOf(std::string text) {
  const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  text.erase(text.begin(), std::find_if_not(text.begin(), text.end(), blank));
  text.erase(std::find_if_not(text.rbegin(), text.rend(), blank).base(), text.end());
  if (text.empty() || text.size() > 10) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (value == 0 || value > 0xFFFFFFFFu) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

}  // namespace

std::uint8_t ContactHandlers::terminalOf(std::uint32_t userId) const {
  return context_.sessions.isOnline(userId) ? kDesktopTerminal : kSmsTerminal;
}

std::vector<std::uint8_t> ContactHandlers::friendList(const Request& request) {
  FriendListResponse out;
  for (const auto& f : context_.store.friends(request.userId())) {
    if (out.friends.size() == kMaxFriends) break;
    out.friends.push_back({f.id, boundedText(f.name, FriendRecord::kNicknameWidth), terminalOf(f.id)});
  }
  return out.build(request.key());
}

std::vector<std::uint8_t> ContactHandlers::addFriend(const Request& request) {
  const auto in = AddFriendRequest::read(request.data, request.size);
  AddFriendResponse out;
  const std::uint32_t self = request.userId();
  auto tx = context_.store.transaction();
  const auto other = context_.store.account(in.userId);
  if (!other || other->cancelled) {
    out.result = AddFriendResponse::kNoSuchUser;
  } else if (context_.store.isFriend(self, in.userId)) {
    out.result = AddFriendResponse::kAlreadyFriend;
  } else if (in.userId == self || context_.store.friendCount(self) >= kMaxFriends) {
    out.result = AddFriendResponse::kRefused;
  } else {
    out.result = context_.store.addFriend(self, in.userId) && tx.commit() ? AddFriendResponse::kAdded : 9;
  }
  return out.build(request.key());
}

std::vector<std::uint8_t> ContactHandlers::deleteFriend(const Request& request) {
  const auto in = DeleteFriendRequest::read(request.data, request.size);
  DeleteFriendResponse out;
  out.result = context_.store.removeFriend(request.userId(), in.userId) ? 0 : 1;
  return out.build(request.key());
}

std::vector<std::uint8_t> ContactHandlers::search(const Request& request) {
  const auto in = SearchRequest::read(request.data, request.size);
  SearchResponse out;
  const std::size_t offset = static_cast<std::size_t>(in.page) * kSearchPageSize;
  std::vector<NamedId> found;
  switch (in.kind) {
    case SearchRequest::kUserById:
      if (const auto id = numberOf(in.text); id && in.page == 0) {
        if (const auto a = context_.store.account(*id); a && !a->cancelled) found.push_back({a->userId, a->nickname});
      }
      break;
    case SearchRequest::kUserByNickname:
      found = context_.store.searchUsers(in.text, offset, kSearchPageSize);
      break;
    case SearchRequest::kGroupById:
      if (const auto id = numberOf(in.text); id && in.page == 0) {
        if (const auto g = context_.store.group(*id); g && !g->dismissed) found.push_back({g->groupId, g->name});
      }
      break;
    case SearchRequest::kGroupByName:
      found = context_.store.searchGroups(in.text, offset, kSearchPageSize);
      break;
    default:
      break;
  }
  const bool users = in.kind == SearchRequest::kUserById || in.kind == SearchRequest::kUserByNickname;
  for (const auto& hit : found) {
    out.hits.push_back(
        {hit.id, boundedText(hit.name, FriendRecord::kNicknameWidth), users ? terminalOf(hit.id) : std::uint8_t{0}});
  }
  return out.build(request.key());
}

}  // namespace kiv::server
