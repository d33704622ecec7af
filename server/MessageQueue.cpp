#include "server/MessageQueue.h"

#include "platform/Gbk.h"
#include "server/CleanText.h"
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
         withoutControls(groupName);
}

std::string MessageQueue::joinRequestText(std::uint32_t userId, std::string_view nickname) {
  return std::string("\x07\x01[") + std::to_string(userId) + "]" + withoutControls(nickname) +
         gbk::fromUtf8("申请加入本群");
}

bool MessageQueue::hasRoom(std::uint32_t recipient, const std::vector<std::string>& pieces) {
  if (!caps_) return true;
  std::size_t bytes = 0;
  for (const auto& piece : pieces) bytes += piece.size();
  const auto waiting = store_.waiting().waitingTotals(recipient);
  return waiting.records + pieces.size() <= caps_->waitingRows && waiting.bytes + bytes <= caps_->waitingBytes;
}

bool MessageQueue::queueNotice(std::uint32_t recipient, ConversationKind kind, std::uint32_t conversation,
                               std::uint32_t sender, std::string_view text, std::string_view time) {
  Delivery notice;
  notice.result = kDelivered;
  notice.kind = kind;
  notice.conversation = conversation;
  notice.sender = sender;
  notice.pieces = pieces(text);
  if (!hasRoom(recipient, notice.pieces)) return true;  // dropped: the queue is full of other things
  notice.recipients.push_back(recipient);
  return deliver(notice, time) == kDelivered;
}

MessageQueue::Delivery MessageQueue::plan(std::uint32_t sender, ConversationKind kind, std::uint32_t target,
                                          std::string_view text) {
  Delivery out;
  out.kind = kind;
  out.sender = sender;
  const auto from = store_.accounts().account(sender);
  if (!from) return out;
  const std::string clean = withoutControls(text);
  if (kind == ConversationKind::kPrivate) {
    if (target == sender) return out;
    const auto to = store_.accounts().account(target);
    if (!to) return out;
    if (to->cancelled) {
      out.result = kRecipientCancelled;
      return out;
    }
    if (clean.empty()) return out;
    out.conversation = sender;
    out.pieces = pieces(withoutControls(from->nickname) + gbk::fromUtf8("(私聊):") + clean);
    if (!hasRoom(target, out.pieces)) {
      out.leftOut = 1;
      return out;
    }
    out.recipients.push_back(target);
  } else if (kind == ConversationKind::kGroup) {
    const auto group = store_.groups().group(target);
    if (!group || group->dismissed || !store_.members().isMember(target, sender)) {
      out.result = kNotInGroup;
      return out;
    }
    if (group->type == 2 && group->owner != sender) {
      out.result = kBroadcastGroup;
      return out;
    }
    if (clean.empty()) return out;
    out.conversation = target;
    out.pieces = pieces(withoutControls(from->nickname) + gbk::fromUtf8("(群聊):") + clean);
    for (const auto& member : store_.members().members(target)) {
      if (member.userId == sender || member.shielded) continue;
      if (hasRoom(member.userId, out.pieces)) {
        out.recipients.push_back(member.userId);
      } else {
        ++out.leftOut;
      }
    }
  } else {
    return out;
  }
  out.result = kDelivered;
  return out;
}

MessageQueue::Result MessageQueue::deliver(const Delivery& delivery, std::string_view time) {
  if (delivery.result != kDelivered) return delivery.result;
  // One transaction: the recipients get the whole message or nothing.
  auto tx = store_.transaction();
  for (const std::uint32_t recipient : delivery.recipients) {
    if (!store_.waiting().queueMessage(recipient, delivery.kind, delivery.conversation, delivery.sender, delivery.pieces,
                                       time)) {
      return kNotDelivered;
    }
  }
  return tx.commit() ? kDelivered : kNotDelivered;
}

MessageQueue::Result MessageQueue::send(std::uint32_t sender, ConversationKind kind, std::uint32_t target,
                                        std::string_view text, std::string_view time) {
  // Checked and queued in one transaction, so a member removed at the same
  // moment does not get half of it.
  auto tx = store_.transaction();
  const Result result = deliver(plan(sender, kind, target, text), time);
  return result == kDelivered && tx.commit() ? kDelivered : result == kDelivered ? kNotDelivered : result;
}

}  // namespace kiv::server
