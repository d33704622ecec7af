#include "server/MessageQueue.h"

#include "platform/Gbk.h"
#include "server/ServerLimits.h"

namespace kiv::server {

std::vector<std::string> MessageQueue::pieces(std::string_view text) {
  std::string clean;
  clean.reserve(text.size());
  for (char c : text) {
    if (c != '\0') clean.push_back(c);
  }
  std::vector<std::string> out;
  std::string_view rest = clean;
  while (!rest.empty()) {
    std::size_t n = gbk::fitLength(rest, kRecordTextBytes);
    if (n == 0) n = 1;  // cannot happen with a width above 1; guards the loop
    out.emplace_back(rest.substr(0, n));
    rest.remove_prefix(n);
  }
  return out;
}

std::string MessageQueue::invitationText(std::uint32_t groupId, std::string_view groupName) {
  return std::string("\x07\x02[") + std::to_string(groupId) + "]" + gbk::fromUtf8("邀请你加入群:") +
         std::string(groupName);
}

std::string MessageQueue::joinRequestText(std::uint32_t userId, std::string_view nickname) {
  return std::string("\x07\x01[") + std::to_string(userId) + "]" + std::string(nickname) +
         gbk::fromUtf8("申请加入本群");
}

bool MessageQueue::queue(std::uint32_t recipient, std::uint8_t kind, std::uint32_t conversation, std::uint32_t sender,
                         std::string_view text, std::string_view time) {
  const auto conversationKind = kind == 2 ? ConversationKind::kGroup : ConversationKind::kPrivate;
  for (const auto& piece : pieces(text)) {
    if (!store_.queueMessage(recipient, conversationKind, conversation, sender, piece, time)) return false;
  }
  return true;
}

bool MessageQueue::queueNotice(std::uint32_t recipient, std::uint8_t kind, std::uint32_t conversation,
                               std::uint32_t sender, std::string_view text, std::string_view time) {
  auto tx = store_.transaction();
  return queue(recipient, kind, conversation, sender, text, time) && tx.commit();
}

MessageQueue::Result MessageQueue::send(std::uint32_t sender, std::uint8_t kind, std::uint32_t target,
                                        std::string_view text, std::string_view time) {
  const auto from = store_.account(sender);
  if (!from) return kNotDelivered;
  // One transaction: the recipients get the whole message or nothing, and a
  // member removed at the same moment does not get half of it.
  auto tx = store_.transaction();
  if (kind == 1) {
    if (target == sender) return kNotDelivered;
    const auto to = store_.account(target);
    if (!to) return kNotDelivered;
    if (to->cancelled) return kRecipientCancelled;
    if (text.empty()) return kNotDelivered;
    const std::string full = from->nickname + gbk::fromUtf8("(私聊):") + std::string(text);
    if (!queue(target, 1, sender, sender, full, time)) return kNotDelivered;
  } else if (kind == 2) {
    const auto group = store_.group(target);
    if (!group || group->dismissed || !store_.isMember(target, sender)) return kNotInGroup;
    if (group->type == 2 && group->owner != sender) return kBroadcastGroup;
    if (text.empty()) return kNotDelivered;
    const std::string full = from->nickname + gbk::fromUtf8("(群聊):") + std::string(text);
    for (const auto& member : store_.members(target)) {
      if (member.userId == sender || member.shielded) continue;
      if (!queue(member.userId, 2, target, sender, full, time)) return kNotDelivered;
    }
  } else {
    return kNotDelivered;
  }
  return tx.commit() ? kDelivered : kNotDelivered;
}

}  // namespace kiv::server
