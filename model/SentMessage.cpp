#include "model/SentMessage.h"

#include "net/FetchMessagesMessages.h"
#include "platform/Gbk.h"
#include "storage/HistoryStore.h"

namespace kiv {

SentMessage SentMessage::make(ConversationKind kind, const std::string& gbkText, const std::tm& when) {
  char time[32] = {};
  std::strftime(time, sizeof time, "%y-%m-%d %H:%M:%S", &when);
  static const std::string groupPrefix = gbk::fromUtf8("我(群聊):");
  static const std::string privatePrefix = gbk::fromUtf8("我(私聊):");
  return SentMessage{time, (kind == ConversationKind::kGroup ? groupPrefix : privatePrefix) + gbkText};
}

SentMessage SentMessage::make(ConversationKind kind, const std::string& gbkText, std::time_t when) {
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &when);
#else
  localtime_r(&when, &local);
#endif
  return make(kind, gbkText, local);
}

std::string SentMessage::viewText() const {
  return HistoryStore::historyEntry(time, text);
}

bool SentMessage::store(HistoryStore& store, ConversationKind kind, std::int32_t partner) const {
  return kind == ConversationKind::kGroup ? store.AppendGroupMessage(partner, text, time)
                                    : store.AppendUserMessage(partner, text, time);
}

}  // namespace kiv
