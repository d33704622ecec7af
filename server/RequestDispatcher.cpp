#include "server/RequestDispatcher.h"

#include <string>

#include "net/Messages.h"

namespace kiv::server {

template <class Message>
void RequestDispatcher::route(decltype(Route::handle) handle, bool open) {
  routes_[Message::kCommand] = Route{open, handle};
}

RequestDispatcher::RequestDispatcher(ServerContext& context)
    : context_(context),
      sessions_(context),
      profiles_(context),
      contacts_(context),
      messages_(context),
      groups_(context) {
  using D = RequestDispatcher;
  using R = const Request&;
  // Sign-in is answered in dispatch() itself: it may be held back.
  route<LoginRequest>([](D&, R) { return std::vector<std::uint8_t>(); }, true);
  route<SmsPasswordRequest>([](D& d, R r) { return d.sessions_.smsPassword(r); }, true);
  route<LogoutRequest>([](D& d, R r) { return d.sessions_.logout(r); }, true);
  route<UserInfoRequest>([](D& d, R r) { return d.profiles_.userInfo(r); });
  route<UpdateUserInfoRequest>([](D& d, R r) { return d.profiles_.updateUserInfo(r); });
  route<ChangePasswordRequest>([](D& d, R r) { return d.profiles_.changePassword(r); });
  route<SearchRequest>([](D& d, R r) { return d.contacts_.search(r); });
  route<FriendListRequest>([](D& d, R r) { return d.contacts_.friendList(r); });
  route<AddFriendRequest>([](D& d, R r) { return d.contacts_.addFriend(r); });
  route<DeleteFriendRequest>([](D& d, R r) { return d.contacts_.deleteFriend(r); });
  route<SendMessageRequest>([](D& d, R r) { return d.messages_.sendMessage(r); });
  route<NoticePollRequest>([](D& d, R r) { return d.messages_.noticePoll(r); });
  route<FetchMessagesRequest>([](D& d, R r) { return d.messages_.fetchMessages(r); });
  route<GroupInfoRequest>([](D& d, R r) { return d.groups_.groupInfo(r); });
  route<UpdateGroupInfoRequest>([](D& d, R r) { return d.groups_.updateGroupInfo(r); });
  route<InviteToGroupRequest>([](D& d, R r) { return d.groups_.inviteToGroup(r); });
  route<RemoveGroupMemberRequest>([](D& d, R r) { return d.groups_.removeMember(r); });
  route<QuitGroupRequest>([](D& d, R r) { return d.groups_.quitGroup(r); });
  route<GroupMembersRequest>([](D& d, R r) { return d.groups_.groupMembers(r); });
  route<DismissGroupRequest>([](D& d, R r) { return d.groups_.dismissGroup(r); });
  route<GroupListRequest>([](D& d, R r) { return d.groups_.groupList(r); });
  route<CreateGroupRequest>([](D& d, R r) { return d.groups_.createGroup(r); });
  route<JoinGroupRequest>([](D& d, R r) { return d.groups_.joinGroup(r); });
  route<ShieldGroupRequest>([](D& d, R r) { return d.groups_.shieldGroup(r); });
}

void RequestDispatcher::connectionClosed(ClientLink& link) {
  sessions_.connectionClosed(link);
}

Millis RequestDispatcher::dispatch(const std::shared_ptr<ClientLink>& link, const std::uint8_t* data, std::size_t size,
                                  bool again) {
  const std::uint32_t command = commandOf(data);
  const auto found = routes_.find(command);
  if (found == routes_.end()) {
    context_.log.write("closing " + link->describe() + ": unknown command " + std::to_string(command));
    link->closeAfterSending();
    return Millis(0);
  }
  const Route& route = found->second;
  const Request request{link, data, size, again};
  if (!route.open && link->userId() == 0) {
    context_.log.write("ignoring command " + std::to_string(command) + " from " + link->describe() + ": not signed in");
    return Millis(0);
  }
  if (!route.open && !accountIsLive(*link)) return Millis(0);

  std::vector<std::uint8_t> answer;
  if (command == LoginRequest::kCommand) {
    auto outcome = sessions_.login(request);
    if (outcome.hold.count() > 0) return outcome.hold;
    answer = std::move(outcome.answer);
  } else {
    answer = route.handle(*this, request);
  }
  if (!answer.empty()) link->send(std::move(answer));
  return Millis(0);
}

bool RequestDispatcher::accountIsLive(ClientLink& link) {
  const auto account = context_.store.accounts().account(link.userId());
  if (account && !account->cancelled) return true;
  signOutCancelled(link);
  return false;
}

void RequestDispatcher::signedInElsewhere(std::uint32_t userId) {
  auto link = context_.sessions.find(userId);
  if (!link) return;
  context_.sessions.signOut(userId, link.get());
  sessions_.signOutReplaced(*link);
}

void RequestDispatcher::signOutCancelled(ClientLink& link) {
  context_.log.write("closing " + link.describe() + ": account " + std::to_string(link.userId()) + " cancelled");
  sessions_.connectionClosed(link);
  link.closeAfterSending();
}

}  // namespace kiv::server
