#include "mainwindow/ConversationTitles.h"

#include "platform/qt/GbkQt.h"

namespace kiv {

QString conversationTitle(ChatCategory category, std::int32_t number, const std::string& partnerName,
                          const std::string& groupText) {
  // One-pass arg(): a name holding "%1" must not be substituted again.
  switch (category) {
    case ChatCategory::kGroup:
      return QStringLiteral("在群 %1 ( 群号:%2 ) 中聊天...").arg(fromGbk(groupText), QString::number(number));
    case ChatCategory::kGroupMember:
      return QStringLiteral("与群 %1 中的 %2 私聊...").arg(fromGbk(groupText), fromGbk(partnerName));
    case ChatCategory::kStranger:
      return QStringLiteral("与陌生人 %1 聊天当中...").arg(fromGbk(partnerName));
    case ChatCategory::kFriend:
    default:
      return QStringLiteral("与 %1 聊天当中...").arg(fromGbk(partnerName));
  }
}

}  // namespace kiv
