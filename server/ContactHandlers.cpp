#include "server/ContactHandlers.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "net/AddFriendMessages.h"
#include "net/DeleteFriendMessages.h"
#include "net/FriendListMessages.h"
#include "net/SearchMessages.h"
#include "server/DecimalText.h"
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
  const auto id = decimalId(text);
  if (!id || *id == 0) return std::nullopt;
  return id;
}

}  // namespace

std::vector<std::uint8_t> ContactHandlers::friendList(const Request& request) {
  FriendListResponse out;
  for (const auto& f : context_.store.friends().friends(request.userId())) {
    if (out.friends.size() == kMaxFriends) break;
    out.friends.push_back(
        {f.id, boundedText(f.name, FriendRecord::kNicknameWidth), context_.sessions.terminalOf(f.id)});
  }
  return out.build(request.key());
}

std::vector<std::uint8_t> ContactHandlers::addFriend(const Request& request) {
  const auto in = AddFriendRequest::read(request.data, request.size);
  AddFriendResponse out;
  const std::uint32_t self = request.userId();
  auto tx = context_.store.transaction();
  const auto other = context_.store.accounts().account(in.userId);
  if (!other || other->cancelled) {
    out.result = AddFriendResponse::kNoSuchUser;
  } else if (context_.store.friends().isFriend(self, in.userId)) {
    out.result = AddFriendResponse::kAlreadyFriend;
  } else if (in.userId == self || context_.store.friends().friendCount(self) >= kMaxFriends) {
    out.result = AddFriendResponse::kRefused;
  } else {
    out.result = context_.store.friends().addFriend(self, in.userId) && tx.commit() ? AddFriendResponse::kAdded : 9;
  }
  return out.build(request.key());
}

std::vector<std::uint8_t> ContactHandlers::deleteFriend(const Request& request) {
  const auto in = DeleteFriendRequest::read(request.data, request.size);
  DeleteFriendResponse out;
  out.result = context_.store.friends().removeFriend(request.userId(), in.userId) ? 0 : 1;
  return out.build(request.key());
}

std::vector<std::uint8_t> ContactHandlers::search(const Request& request) {
  const auto in = SearchRequest::read(request.data, request.size);
  SearchResponse out;
  const std::size_t offset = static_cast<std::size_t>(in.page) * SearchResponse::kPageSize;
  std::vector<NamedId> found;
  switch (in.kind) {
    case SearchRequest::kUserById:
      if (const auto id = numberOf(in.text); id && in.page == 0) {
        if (const auto a = context_.store.accounts().account(*id); a && !a->cancelled)
          found.push_back({a->userId, a->nickname});
      }
      break;
    case SearchRequest::kUserByNickname:
      found = context_.store.search().searchUsers(in.text, offset, SearchResponse::kPageSize);
      break;
    case SearchRequest::kGroupById:
      if (const auto id = numberOf(in.text); id && in.page == 0) {
        if (const auto g = context_.store.groups().group(*id); g && !g->dismissed)
          found.push_back({g->groupId, g->name});
      }
      break;
    case SearchRequest::kGroupByName:
      found = context_.store.search().searchGroups(in.text, offset, SearchResponse::kPageSize);
      break;
    default:
      break;
  }
  const bool users = in.kind == SearchRequest::kUserById || in.kind == SearchRequest::kUserByNickname;
  for (const auto& hit : found) {
    out.hits.push_back({hit.id, boundedText(hit.name, FriendRecord::kNicknameWidth),
                        users ? context_.sessions.terminalOf(hit.id) : std::uint8_t{0}});
  }
  return out.build(request.key());
}

}  // namespace kiv::server
