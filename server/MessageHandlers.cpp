#include "server/MessageHandlers.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <string_view>

#include "net/FetchMessagesMessages.h"
#include "net/NoticePollMessages.h"
#include "net/SendMessageMessages.h"
#include "server/FieldText.h"
#include "server/MessageQueue.h"
#include "server/ServerLimits.h"
#include "server/WireTime.h"

namespace kiv::server {

template <class Change, class Failed>
std::vector<std::uint8_t> MessageHandlers::once(const Request& request, Change&& change, Failed&& failed) {
  // The whole packet names a request: its key (account, time stamp and
  // sequence) and what it asks.
  const std::string_view key(reinterpret_cast<const char*>(request.data), request.size);
  Store& store = context_.store;
  const std::int64_t now = std::time(nullptr);
  auto tx = store.transaction();
  if (const auto again = store.answers().givenAnswer(request.userId(), key, now)) return {again->begin(), again->end()};
  const Answer answer = change();
  if (!answer.keep) return answer.bytes;  // nothing changed: the transaction goes
  const std::string_view kept(reinterpret_cast<const char*>(answer.bytes.data()), answer.bytes.size());
  // The change and its answer are kept together or not at all.
  if (!store.answers().rememberAnswer(request.userId(), key, kept, now, context_.quotas.keptAnswers) || !tx.commit()) {
    return failed();
  }
  return answer.bytes;
}

std::vector<std::uint8_t> MessageHandlers::sendMessage(const Request& request) {
  return once(
      request,
      [&] {
        const auto in = SendMessageRequest::read(request.data, request.size);
        const std::string now = wireTime(context_.clock.localNow());
        MessageQueue queue(context_.store, &context_.quotas);
        SendMessageResponse out;
        auto refuse = [&] {
          overQuota(request.userId());
          out.result = MessageQueue::kNotDelivered;
          return Answer{out.build(request.key()), false};
        };
        if (!context_.quota.allowMessage(request.userId())) return refuse();
        auto delivery = queue.plan(request.userId(), in.kind, in.target, in.sentText());
        if (delivery.leftOut > 0) {
          context_.log.write("user " + std::to_string(request.userId()) + " to " + std::to_string(in.target) + ": " +
                             std::to_string(delivery.leftOut) + " recipient(s) with a full queue left out");
        }
        if (delivery.result == MessageQueue::kDelivered && !context_.quota.allowRows(request.userId(), delivery.rows())) {
          return refuse();
        }
        out.result = queue.deliver(delivery, now);
        if (out.result == SendMessageResponse::kDelivered) out.serverTime = now;
        // A full queue may have room later: the repeat is tried afresh.
        return Answer{out.build(request.key()), delivery.leftOut == 0 || out.result == MessageQueue::kDelivered};
      },
      [&] { return SendMessageResponse{MessageQueue::kNotDelivered}.build(request.key()); });
}

void MessageHandlers::overQuota(std::uint32_t sender) {
  // One line per sender and minute, not one per refused message.
  const auto now = std::chrono::steady_clock::now();
  auto& last = quotaLogged_[sender];
  if (now - last < std::chrono::minutes(1) && last.time_since_epoch().count() != 0) return;
  if (quotaLogged_.size() > 10'000) quotaLogged_.clear();
  last = now;
  context_.log.write("user " + std::to_string(sender) + " is sending faster than allowed; refusing");
}

std::vector<std::uint8_t> MessageHandlers::noticePoll(const Request& request) {
  NoticePollResponse out;
  for (const auto& waiting : context_.store.waiting().waitingConversations(request.userId(), kMaxNotices)) {
    MessageNotice notice;
    notice.id = waiting.id;
    if (waiting.kind == ConversationKind::kGroup) {
      notice.kind = ConversationKind::kGroup;
      if (const auto g = context_.store.groups().group(waiting.id))
        notice.name = boundedText(g->name, MessageNotice::kNameWidth);
    } else {
      notice.kind = ConversationKind::kPrivate;
      if (const auto a = context_.store.accounts().account(waiting.id)) {
        notice.name = boundedText(a->nickname, MessageNotice::kNameWidth);
      }
    }
    // The two bytes the client leaves alone tell how many records wait.
    const auto count = static_cast<std::uint16_t>(std::min<std::size_t>(waiting.count, 0xFFFF));
    notice.extra = {static_cast<std::uint8_t>(count >> 8), static_cast<std::uint8_t>(count & 0xFF)};
    out.notices.push_back(std::move(notice));
  }
  out.status = out.notices.empty() ? 1 : 0;
  return out.build(request.key());
}

std::vector<std::uint8_t> MessageHandlers::fetchMessages(const Request& request) {
  return once(request, [&] { return Answer{takeWaiting(request)}; },
              [&] { return FetchMessagesResponse{}.build(request.key()); });
}

std::vector<std::uint8_t> MessageHandlers::takeWaiting(const Request& request) {
  const auto in = FetchMessagesRequest::read(request.data, request.size);
  FetchMessagesResponse out;
  if (in.kind == ConversationKind::kPrivate || in.kind == ConversationKind::kGroup) {
    for (auto& m : context_.store.waiting().takeMessages(request.userId(), in.kind, in.id, kFetchBatch)) {
      MessageRecord record;
      record.text = std::move(m.text);
      record.time = std::move(m.time);
      // The four bytes the client leaves alone carry the sender's UserId.
      record.extra = {static_cast<std::uint8_t>(m.sender >> 24), static_cast<std::uint8_t>(m.sender >> 16),
                      static_cast<std::uint8_t>(m.sender >> 8), static_cast<std::uint8_t>(m.sender)};
      out.messages.push_back(std::move(record));
    }
  }
  return out.build(request.key());
}

}  // namespace kiv::server
