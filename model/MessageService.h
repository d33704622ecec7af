#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/ChatCategory.h"
#include "model/ReceivedMessages.h"
#include "net/ConversationKind.h"
#include "net/PendingRequest.h"

namespace kiv {

class ContactModel;
class HistoryStore;
class NetClient;
class ReceiverRegistry;
struct MessageNotice;

// The way of a waiting message: a notice names a conversation, the service
// asks the server for its messages, stores them in the history and only
// then hands them to whoever shows them. The history never depends on a
// window: one closed while its messages were on the way loses nothing, they
// are kept and handed to the next window of the conversation.
//
// Notices are taken on the thread that owns the model (the UI thread); the
// answers arrive on the receive thread, are stored there and carried over
// by the hop given with the sink.
class MessageService {
 public:
  // Who a conversation is with, as its window needs it.
  struct Address {
    ChatCategory category = ChatCategory::kFriend;
    std::int32_t number = 0;
    std::string partnerName;  // GBK
    std::string groupText;    // GBK
    std::int32_t terminal = -1;
    ConversationKind kind() const;
  };
  struct Batch {
    ReceivedMessages messages;
    bool stored = true;  // false: the disk refused the rows
    std::chrono::steady_clock::time_point storedAt{};  // when the history got it
  };
  // Runs `work` on the thread of the sink and waits for it; it may decline
  // (the program is ending), and the batch is kept.
  using Hop = std::function<void(const std::function<void()>& work)>;
  // Shows a batch; false when the conversation has no window for it now.
  using Sink = std::function<bool(const Address&, const Batch&)>;
  using StoreOf = std::function<HistoryStore*()>;

  // `model` may be null (kiv-cli): every notice is then fetched as it
  // comes, without a contact row.
  MessageService(NetClient& net, StoreOf store, ContactModel* model, ReceiverRegistry& registry);
  ~MessageService();
  MessageService(const MessageService&) = delete;
  MessageService& operator=(const MessageService&) = delete;

  // Without a hop the sink runs on the receive thread.
  void setSink(Hop hop, Sink sink);
  // From now on nothing is handed over any more; answers are still stored.
  void detach();

  // Until release(), notices are kept rather than handled: before sign-in
  // ends the lists they are resolved against are not there yet.
  void hold();
  void release();

  void onNotice(const MessageNotice& notice);
  void fetch(const Address& address);

  // The batches kept for a conversation that had no window, oldest first;
  // each is handed out once.
  std::vector<Batch> takeKept(ConversationKind kind, std::int32_t number);

  struct State;

 private:
  bool resolve(const MessageNotice& notice, Address& address);

  NetClient& net_;
  ContactModel* model_;
  std::shared_ptr<State> state_;
  ReceiverRegistry& registry_;
  ReceiverHandle handle_ = 0;
  bool held_ = false;
  std::vector<MessageNotice> heldNotices_;
};

}  // namespace kiv
