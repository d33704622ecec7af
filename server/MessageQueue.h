#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "net/FetchMessagesMessages.h"
#include "server/ServerOptions.h"
#include "server/Store.h"

namespace kiv::server {

// Queues chat messages for their recipients: one copy per recipient and
// conversation, cut into record-sized pieces. Used by the send request, by the
// group invitations and by the admin command line. With caps, a recipient
// who has more waiting than they allow gets nothing more until they fetch.
class MessageQueue {
 public:
  // Send results, as the send answer carries them.
  enum Result : std::uint8_t {
    kDelivered = 0,
    kNotInGroup = 1,      // the sender is no member (removed, or the group is gone)
    kBroadcastGroup = 2,  // only the owner speaks in a broadcast group
    kRecipientCancelled = 3,
    kNotDelivered = 4,  // no such user, oneself, an empty text, an unknown kind, a full queue
  };

  // A checked message: who gets which records.
  struct Delivery {
    Result result = kNotDelivered;
    ConversationKind kind = ConversationKind::kPrivate;
    std::uint32_t conversation = 0;  // as the recipients see it: the sender or the group
    std::uint32_t sender = 0;
    std::vector<std::uint32_t> recipients;
    std::vector<std::string> pieces;
    std::size_t leftOut = 0;  // recipients whose queue is full
    std::size_t rows() const { return recipients.size() * pieces.size(); }
  };

  explicit MessageQueue(Store& store, const Quotas* caps = nullptr) : store_(store), caps_(caps) {}

  // Checks a chat message from `sender`: private to a user or group to every
  // member but the sender and those who shield the group.
  // The text, without control bytes, goes behind the sender's nickname and
  // "(私聊):" or "(群聊):", the way the client shows its own messages, so
  // group members see who spoke. Reads only.
  Delivery plan(std::uint32_t sender, ConversationKind kind, std::uint32_t target, std::string_view text);
  // Queues a planned message for all its recipients or for none.
  Result deliver(const Delivery& delivery, std::string_view time);
  // Both in one.
  Result send(std::uint32_t sender, ConversationKind kind, std::uint32_t target, std::string_view text,
              std::string_view time);

  // A text the server writes itself (an invitation or a join request, whose
  // marker must stay first), queued as it is for one recipient.
  bool queueNotice(std::uint32_t recipient, ConversationKind kind, std::uint32_t conversation, std::uint32_t sender,
                   std::string_view text, std::string_view time);

  // The marked texts of an invitation (in a private conversation with the
  // owner) and of a join request (in the group conversation, to the owner).
  // The client reads the number between the first "[" and the first "]", so
  // the bracketed number comes before any name a user chose.
  static std::string invitationText(std::uint32_t groupId, std::string_view groupName);
  static std::string joinRequestText(std::uint32_t userId, std::string_view nickname);

  // `text` in pieces that each fit a message record, never splitting a GBK
  // character. NUL bytes are dropped: the client would stop reading at one.
  static std::vector<std::string> pieces(std::string_view text);

 private:
  bool hasRoom(std::uint32_t recipient, const std::vector<std::string>& pieces);
  Store& store_;
  const Quotas* caps_;
};

}  // namespace kiv::server
