#include "model/MessageService.h"

#include <map>
#include <mutex>
#include <utility>

#include "model/ContactModel.h"
#include "model/ItemTexts.h"
#include "net/FetchMessagesMessages.h"
#include "net/MessageNotice.h"
#include "net/NetClient.h"
#include "net/ReceiverRegistry.h"
#include "storage/HistoryStore.h"

namespace kiv {

ConversationKind MessageService::Address::kind() const {
  return category == ChatCategory::kGroup ? ConversationKind::kGroup : ConversationKind::kPrivate;
}

// What the receive thread shares with the service; held by the registered
// receiver too, so an answer that arrives while the service goes away finds
// it intact.
struct MessageService::State : ResponseReceiver {
  explicit State(StoreOf s) : storeOf(std::move(s)) {}

  void OnServerResponse(const PendingRequest& request, const std::uint8_t* response, std::uint32_t size,
                        std::uint32_t command) override;

  using Key = std::pair<ConversationKind, std::int32_t>;

  const StoreOf storeOf;
  std::mutex lock;
  Hop hop;
  Sink sink;
  bool detached = false;
  std::map<Key, Address> addresses;  // of the conversations asked for
  std::map<Key, std::vector<Batch>> kept;
};

void MessageService::State::OnServerResponse(const PendingRequest& request, const std::uint8_t* response,
                                             std::uint32_t size, std::uint32_t command) {
  if (command != FetchMessagesResponse::kCommand) return;
  const auto asked = FetchMessagesRequest::read(request.packet, static_cast<std::size_t>(request.length));
  const ConversationKind kind =
      asked.kind == ConversationKind::kGroup ? ConversationKind::kGroup : ConversationKind::kPrivate;
  const auto number = static_cast<std::int32_t>(asked.id);
  Batch batch;
  batch.messages = ReceivedMessages::from(FetchMessagesResponse::read(response, size), kind);
  // The server has forgotten these messages by now: the history gets them
  // before anybody may fail to show them.
  if (!batch.messages.rows.empty()) {
    HistoryStore* store = storeOf ? storeOf() : nullptr;
    batch.stored = store != nullptr && batch.messages.store(*store, kind, number);
  }
  batch.storedAt = std::chrono::steady_clock::now();
  if (batch.messages.empty()) return;

  Hop hopNow;
  Sink sinkNow;
  Address address;
  {
    std::lock_guard guard(lock);
    if (!detached) {
      hopNow = hop;
      sinkNow = sink;
    }
    const auto found = addresses.find({kind, number});
    if (found != addresses.end()) {
      address = found->second;
    } else {
      address.category = kind == ConversationKind::kGroup ? ChatCategory::kGroup : ChatCategory::kStranger;
      address.number = number;
    }
  }
  bool shown = false;
  if (sinkNow) {
    const auto show = [&] { shown = sinkNow(address, batch); };
    if (hopNow)
      hopNow(show);
    else
      show();
  }
  if (shown) return;
  std::lock_guard guard(lock);
  kept[{kind, number}].push_back(std::move(batch));
}

MessageService::MessageService(NetClient& net, StoreOf store, ContactModel* model, ReceiverRegistry& registry)
    : net_(net), model_(model), state_(std::make_shared<State>(std::move(store))), registry_(registry) {
  handle_ = registry_.add(state_);
}

MessageService::~MessageService() {
  detach();
  registry_.remove(handle_);
}

void MessageService::setSink(Hop hop, Sink sink) {
  std::lock_guard guard(state_->lock);
  state_->hop = std::move(hop);
  state_->sink = std::move(sink);
  state_->detached = false;
}

void MessageService::detach() {
  std::lock_guard guard(state_->lock);
  state_->detached = true;
}

void MessageService::hold() {
  held_ = true;
}

void MessageService::release() {
  held_ = false;
  std::vector<MessageNotice> waiting;
  waiting.swap(heldNotices_);
  for (const auto& notice : waiting) onNotice(notice);
}

void MessageService::onNotice(const MessageNotice& notice) {
  if (held_) {
    heldNotices_.push_back(notice);
    return;
  }
  Address address;
  if (resolve(notice, address)) fetch(address);
}

bool MessageService::resolve(const MessageNotice& notice, Address& address) {
  const auto number = static_cast<std::int32_t>(notice.id);
  // No conversation has a number below 1; such a notice must not leave a
  // stranger row behind that would be saved and come back at every start.
  if (number < 1) return false;
  address.number = number;
  if (notice.isGroup()) {
    address.category = ChatCategory::kGroup;
    if (model_ == nullptr) return true;
    // A group the user no longer has (left, dismissed, not yet listed): its
    // messages stay unread on the server.
    const GroupEntry* group = model_->findGroup(number);
    if (group == nullptr) return false;
    address.partnerName = address.groupText = texts::trimmed(group->displayText);
    return true;
  }
  address.category = ChatCategory::kStranger;
  if (model_ == nullptr) return true;
  // A friend is a friend also when met in a group.
  if (const ContactEntry* friendEntry = model_->findFriend(number)) {
    address.category = ChatCategory::kFriend;
    address.partnerName = texts::contactRow(friendEntry->nickname, number);
    address.terminal = friendEntry->terminal;
    return true;
  }
  if (const auto member = model_->findMemberInAnyGroup(number)) {
    address.category = ChatCategory::kGroupMember;
    address.partnerName = member->nickname;
    address.groupText = member->groupText;
    address.terminal = member->terminal;
    return true;
  }
  // Anybody else becomes a stranger for good: listed now, saved at exit.
  if (model_->findStranger(number) == nullptr) {
    ContactEntry stranger;
    stranger.userId = number;
    stranger.nickname = texts::nicknameOrAnonymous(notice.name);
    model_->addOrUpdateContact(ContactListKind::kStrangers, stranger);
  }
  const ContactEntry* stranger = model_->findStranger(number);
  if (stranger == nullptr) return false;
  address.partnerName = texts::contactRow(stranger->nickname, number);
  return true;
}

void MessageService::fetch(const Address& address) {
  {
    std::lock_guard guard(state_->lock);
    state_->addresses[{address.kind(), address.number}] = address;
  }
  FetchMessagesRequest request;
  request.kind = address.kind();
  request.id = static_cast<std::uint32_t>(address.number);
  net_.Enqueue(request.build(net_.newKey()), handle_);
}

std::vector<MessageService::Batch> MessageService::takeKept(ConversationKind kind, std::int32_t number) {
  std::lock_guard guard(state_->lock);
  const auto found = state_->kept.find({kind, number});
  if (found == state_->kept.end()) return {};
  std::vector<Batch> batches = std::move(found->second);
  state_->kept.erase(found);
  return batches;
}

}  // namespace kiv
