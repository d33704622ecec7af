#include "mainwindow/ConversationOpener.h"

#include "chat/CSendMessage.h"
#include "mainwindow/ConversationTitles.h"
#include "model/ClientSession.h"
#include "model/ContactModel.h"

namespace kiv {

CSendMessage* ConversationOpener::open(ChatCategory category, std::int32_t number, const std::string& partnerName,
                                       const std::string& groupText, std::int32_t terminal) {
  if (number < 1) return nullptr;
  ConversationRegistry& registry = session_.model.conversations();
  const bool group = category == ChatCategory::kGroup;
  ConversationWindow* found = group ? registry.findGroup(number) : registry.findPrivate(number);
  if (found != nullptr && !found->isAlive()) {
    // Its window is gone; a new one takes its place under the number.
    if (group)
      registry.destroyGroup(number);
    else
      registry.destroyPrivate(number);
    found = nullptr;
  }
  auto* window = dynamic_cast<CSendMessage*>(found);
  const bool created = window == nullptr;
  if (created) {
    window = new CSendMessage(session_, number, group ? ConversationKind::kGroup : ConversationKind::kPrivate);
    if (group)
      registry.addGroup(number, window);
    else
      registry.addPrivate(number, window);
  }
  window->setPartner(group ? groupText : partnerName, group ? -1 : terminal);
  window->setTitleLine(conversationTitle(category, number, partnerName, groupText));
  if (created) {
    window->askProfile();
    // Messages that came while the conversation had no window.
    for (const auto& batch : messages_.takeKept(group ? ConversationKind::kGroup : ConversationKind::kPrivate, number))
      window->showReceived(batch.messages, batch.stored);
  }
  return window;
}

bool ConversationOpener::showBatch(const MessageService::Address& to, const MessageService::Batch& batch) {
  CSendMessage* chat = open(to.category, to.number, to.partnerName, to.groupText, to.terminal);
  if (chat == nullptr) return false;
  chat->showReceived(batch.messages, batch.stored);
  return true;
}

}  // namespace kiv
