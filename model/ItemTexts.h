#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The texts of list rows and tree items, composed in one place so that every
// view, title and message uses the same ones. All texts are GBK.
namespace kiv::texts {

// Trailing spaces of a group item: as built from the group list, and as
// rebuilt after the user changed the shield state.
inline constexpr int kListedGroupSpaces = 8;
inline constexpr int kReshieldedGroupSpaces = 10;

// "匿名", shown for a nickname left empty.
const std::string& anonymous();
// "(屏蔽中)", marking a shielded group.
const std::string& shieldMarker();
// "新建群", the text of a group just created until the list names it.
const std::string& newGroup();
// "木棉客服", the customer-service account.
const std::string& serviceAccountName();

// A nickname cut to the 15 bytes its field holds (never inside a character).
std::string clipNickname(std::string_view nickname);
// The clipped nickname, or "匿名" when it is empty.
std::string nicknameOrAnonymous(std::string_view nickname);

// A friend or stranger row: "nick(123)", or just "nick" when the nickname is
// the UserId written out.
std::string contactRow(std::string_view nickname, std::int32_t userId);
// A member item: "nick(123)" and 8 spaces, or "nick" and 13 spaces when the
// nickname is the UserId written out.
std::string memberItem(std::string_view nickname, std::int32_t userId);
// A group item: the name, "(屏蔽中)" when shielded, then `spaces` spaces; cut
// to the 39 bytes its field holds.
std::string groupItem(std::string_view name, bool shielded, int spaces);

// The text without surrounding blanks (spaces, tabs, line breaks).
std::string trimmed(std::string_view text);
// The group's name taken back from its item text: the trimmed text without
// the shield marker at its end.
std::string groupNameOf(std::string_view itemText);

}  // namespace kiv::texts
