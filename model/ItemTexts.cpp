#include "model/ItemTexts.h"

#include "model/ContactEntry.h"
#include "model/GroupEntry.h"
#include "platform/Gbk.h"

namespace kiv::texts {

const std::string& anonymous() {
  static const std::string text = gbk::fromUtf8("匿名");
  return text;
}

const std::string& shieldMarker() {
  static const std::string text = gbk::fromUtf8("(屏蔽中)");
  return text;
}

const std::string& newGroup() {
  static const std::string text = gbk::fromUtf8("新建群");
  return text;
}

const std::string& serviceAccountName() {
  static const std::string text = gbk::fromUtf8("木棉客服");
  return text;
}

std::string clipNickname(std::string_view nickname) {
  // A field read off the wire may carry its NUL padding along.
  nickname = nickname.substr(0, nickname.find('\0'));
  return std::string(gbk::cut(nickname, ContactEntry::kNicknameMax));
}

std::string nicknameOrAnonymous(std::string_view nickname) {
  std::string clipped = clipNickname(nickname);
  return clipped.empty() ? anonymous() : clipped;
}

std::string contactRow(std::string_view nickname, std::int32_t userId) {
  const std::string number = std::to_string(userId);
  if (nickname == number) return number;
  return std::string(nickname) + "(" + number + ")";
}

std::string memberItem(std::string_view nickname, std::int32_t userId) {
  const std::string number = std::to_string(userId);
  if (nickname == number) return number + std::string(13, ' ');
  return std::string(nickname) + "(" + number + ")" + std::string(8, ' ');
}

std::string groupItem(std::string_view name, bool shielded, int spaces) {
  std::string text(name.substr(0, name.find('\0')));
  if (shielded) text += shieldMarker();
  text.append(static_cast<std::size_t>(spaces < 0 ? 0 : spaces), ' ');
  return std::string(gbk::cut(text, GroupEntry::kDisplayTextMax));
}

std::string trimmed(std::string_view text) {
  constexpr std::string_view blanks = " \t\r\n";
  const auto first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(blanks);
  return std::string(text.substr(first, last - first + 1));
}

std::string groupNameOf(std::string_view itemText) {
  std::string text = trimmed(itemText);
  // Only the marker goes: a name may hold brackets of its own ("Fans(2010)"),
  // and cutting at the first one would rename the group on every shield
  // change, or leave a name starting with one marked for good.
  const std::string& marker = shieldMarker();
  if (text.size() >= marker.size() && text.compare(text.size() - marker.size(), marker.size(), marker) == 0)
    text.resize(text.size() - marker.size());
  return text;
}

}  // namespace kiv::texts
