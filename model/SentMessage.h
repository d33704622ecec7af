#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "net/ConversationKind.h"

namespace kiv {

class HistoryStore;

// The echo of a message the user sent: shown at once and stored at once,
// before the server answers, so that a later failure only adds a notice.
struct SentMessage {
  std::string time;  // "yy-mm-dd hh:mm:ss"
  std::string text;  // "我(群聊):" or "我(私聊):" followed by the text, GBK

  // `gbkText` sent in a conversation of `kind` at local time `when`.
  static SentMessage make(ConversationKind kind, const std::string& gbkText, const std::tm& when);
  // The same at `when` seconds since the epoch (the local clock corrected by
  // the conversation's offset to the server's clock).
  static SentMessage make(ConversationKind kind, const std::string& gbkText, std::time_t when);

  // "\r\n\r\n<time>\r\n<text>", appended in the user's own format.
  std::string viewText() const;
  // Appends the echo to the partner's history (msg_group or msg_user); 1/0.
  bool store(HistoryStore& store, ConversationKind kind, std::int32_t partner) const;
  bool operator==(const SentMessage&) const = default;
};

}  // namespace kiv
