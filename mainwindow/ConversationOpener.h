#pragma once

#include <cstdint>
#include <string>

#include "model/ChatCategory.h"
#include "model/MessageService.h"

namespace kiv {

class CSendMessage;
struct ClientSession;

// Makes the conversation windows: finds the open window of a conversation
// or creates one (registered under its number, its partner's profile asked
// for, the messages kept while it had none shown), and titles it. A window
// whose widget is gone is replaced. Nothing is shown here.
class ConversationOpener {
 public:
  ConversationOpener(ClientSession& session, MessageService& messages) : session_(session), messages_(messages) {}

  // nullptr for a number below 1. Names are GBK.
  CSendMessage* open(ChatCategory category, std::int32_t number, const std::string& partnerName,
                     const std::string& groupText, std::int32_t terminal);
  // Opens the conversation's window (hidden, if it had none) and shows the
  // stored batch in it; false when there is no window to be had.
  bool showBatch(const MessageService::Address& to, const MessageService::Batch& batch);

 private:
  ClientSession& session_;
  MessageService& messages_;
};

}  // namespace kiv
