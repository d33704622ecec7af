#include "server/RequestDispatcher.h"

#include <string>

namespace kiv::server {

RequestDispatcher::RequestDispatcher(ServerContext& context)
    : context_(context),
      sessions_(context),
      profiles_(context),
      contacts_(context),
      messages_(context),
      groups_(context) {}

bool RequestDispatcher::isKnownCommand(std::uint32_t command) {
  return command >= 1 && command <= 25 && command != 13;
}

void RequestDispatcher::connectionClosed(ClientLink& link) {
  sessions_.connectionClosed(link);
}

Millis RequestDispatcher::dispatch(const std::shared_ptr<ClientLink>& link, const std::uint8_t* data, std::size_t size,
                                  bool again) {
  const std::uint32_t command = commandOf(data);
  if (!isKnownCommand(command)) {
    context_.log.write("closing " + link->describe() + ": unknown command " + std::to_string(command));
    link->closeAfterSending();
    return Millis(0);
  }
  const Request request{link, data, size, again};
  const bool open = command == 1 || command == 2 || command == 16;
  if (!open && link->userId() == 0) {
    context_.log.write("ignoring command " + std::to_string(command) + " from " + link->describe() + ": not signed in");
    return Millis(0);
  }
  if (!open && !accountIsLive(*link)) return Millis(0);

  std::vector<std::uint8_t> answer;
  switch (command) {
    case 1: {
      auto outcome = sessions_.login(request);
      if (outcome.hold.count() > 0) return outcome.hold;
      answer = std::move(outcome.answer);
      break;
    }
    case 2:
      answer = sessions_.smsPassword(request);
      break;
    case 3:
      answer = profiles_.userInfo(request);
      break;
    case 4:
      answer = profiles_.updateUserInfo(request);
      break;
    case 5:
      answer = contacts_.search(request);
      break;
    case 6:
      answer = messages_.sendMessage(request);
      break;
    case 7:
      answer = messages_.noticePoll(request);
      break;
    case 8:
      answer = messages_.fetchMessages(request);
      break;
    case 9:
      answer = groups_.groupInfo(request);
      break;
    case 10:
      answer = groups_.updateGroupInfo(request);
      break;
    case 11:
      answer = groups_.inviteToGroup(request);
      break;
    case 12:
      answer = groups_.removeMember(request);
      break;
    case 14:
      answer = groups_.quitGroup(request);
      break;
    case 15:
      answer = contacts_.friendList(request);
      break;
    case 16:
      answer = sessions_.logout(request);
      break;
    case 17:
      answer = groups_.groupMembers(request);
      break;
    case 18:
      answer = groups_.dismissGroup(request);
      break;
    case 19:
      answer = groups_.groupList(request);
      break;
    case 20:
      answer = groups_.createGroup(request);
      break;
    case 21:
      answer = groups_.joinGroup(request);
      break;
    case 22:
      answer = contacts_.addFriend(request);
      break;
    case 23:
      answer = contacts_.deleteFriend(request);
      break;
    case 24:
      answer = groups_.shieldGroup(request);
      break;
    case 25:
      answer = profiles_.changePassword(request);
      break;
    default:
      break;
  }
  if (!answer.empty()) link->send(std::move(answer));
  return Millis(0);
}

bool RequestDispatcher::accountIsLive(ClientLink& link) {
  const auto account = context_.store.account(link.userId());
  if (account && !account->cancelled) return true;
  signOutCancelled(link);
  return false;
}

void RequestDispatcher::signOutCancelled(ClientLink& link) {
  context_.log.write("closing " + link.describe() + ": account " + std::to_string(link.userId()) + " cancelled");
  sessions_.connectionClosed(link);
  link.closeAfterSending();
}

}  // namespace kiv::server
