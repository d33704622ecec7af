#include "mainwindow/NoticeHandler.h"

#include "chat/CSendMessage.h"
#include "model/ClientSession.h"
#include "model/ContactModel.h"
#include "model/ItemTexts.h"
#include "net/FetchMessagesMessages.h"
#include "net/MessageNotice.h"
#include "net/NetClient.h"

namespace kiv {

void NoticeHandler::handle(const MessageNotice& notice) {
  const auto number = static_cast<std::int32_t>(notice.id);
  // No conversation has a number below 1; such a notice must not leave a
  // stranger row behind that would be saved and come back at every start.
  if (number < 1) return;
  if (notice.isGroup())
    handleGroup(number);
  else
    handlePerson(number, notice.name);
}

void NoticeHandler::handleGroup(std::int32_t groupId) {
  // A group the user no longer has (left, dismissed, not yet listed): its
  // messages stay unread.
  const GroupEntry* group = session_.model.findGroup(groupId);
  if (group == nullptr) return;
  const std::string text = texts::trimmed(group->displayText);
  fetch(open_(ChatCategory::kGroup, groupId, text, text, -1), kGroupConversation, groupId);
}

void NoticeHandler::handlePerson(std::int32_t userId, const std::string& noticeName) {
  ContactModel& model = session_.model;
  // A friend is a friend also when met in a group.
  if (const ContactEntry* friendEntry = model.findFriend(userId)) {
    fetch(open_(ChatCategory::kFriend, userId, texts::contactRow(friendEntry->nickname, userId), std::string(),
                friendEntry->terminal),
          kPrivateConversation, userId);
    return;
  }
  if (const auto member = model.findMemberInAnyGroup(userId)) {
    fetch(open_(ChatCategory::kGroupMember, userId, member->nickname, member->groupText, member->terminal),
          kPrivateConversation, userId);
    return;
  }
  // Anybody else becomes a stranger for good: listed now, saved at exit.
  if (model.findStranger(userId) == nullptr) {
    ContactEntry stranger;
    stranger.userId = userId;
    stranger.nickname = texts::nicknameOrAnonymous(noticeName);
    model.addOrUpdateContact(ContactListKind::kStrangers, stranger);
  }
  const ContactEntry* stranger = model.findStranger(userId);
  if (stranger == nullptr) return;
  // Opened by a message, a stranger's chat has the short limit.
  fetch(open_(ChatCategory::kStranger, userId, texts::contactRow(stranger->nickname, userId), std::string(), -1),
        kPrivateConversation, userId);
}

void NoticeHandler::fetch(ConversationWindow* window, std::uint8_t kind, std::int32_t number) {
  const auto* chat = dynamic_cast<CSendMessage*>(window);
  if (chat == nullptr) return;
  FetchMessagesRequest request;
  request.kind = kind;
  request.id = static_cast<std::uint32_t>(number);
  NetClient& net = session_.net;
  // The answer goes to the chat window, which shows and stores the messages.
  net.Enqueue(request.build(net.newKey()), chat->receiverHandle());
}

}  // namespace kiv
