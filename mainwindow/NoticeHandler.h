#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "model/ChatCategory.h"

namespace kiv {

class ConversationWindow;
struct ClientSession;
struct MessageNotice;

// What the main window does with one notice of waiting messages: finds who
// or which group it is about, opens that conversation (or reuses its
// window) and asks the server for the messages on the window's behalf. The
// window is neither shown nor raised here; it shows itself, minimised, once
// the messages arrive.
class NoticeHandler {
 public:
  // Opens (or reuses) a conversation without showing it: category, number,
  // partner name and group text (GBK), partner terminal. nullptr for a
  // number below 1.
  using Opener = std::function<ConversationWindow*(ChatCategory, std::int32_t, const std::string&, const std::string&,
                                                   std::int32_t)>;

  NoticeHandler(ClientSession& session, Opener opener) : session_(session), open_(std::move(opener)) {}

  void handle(const MessageNotice& notice);

 private:
  void handleGroup(std::int32_t groupId);
  void handlePerson(std::int32_t userId, const std::string& noticeName);
  void fetch(ConversationWindow* window, std::uint8_t kind, std::int32_t number);

  ClientSession& session_;
  Opener open_;
};

}  // namespace kiv
