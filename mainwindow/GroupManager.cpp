#include "mainwindow/GroupManager.h"

#include <string>

#include "model/ClientSession.h"
#include "model/ContactModel.h"
#include "model/ItemTexts.h"
#include "net/CreateGroupMessages.h"
#include "net/DismissGroupMessages.h"
#include "net/QuitGroupMessages.h"
#include "net/RemoveGroupMemberMessages.h"
#include "net/ShieldGroupMessages.h"
#include "platform/Gbk.h"
#include "platform/MessageBox.h"

namespace kiv {
namespace {

// A group's or member's text as the messages quote it: the item's text
// without the blanks around it, in UTF-8.
std::string quoted(const std::string& itemText) {
  return gbk::toUtf8(texts::trimmed(itemText));
}

}  // namespace

void GroupManager::createGroup() {
  if (session_.model.ownedGroupCount() >= 2) {
    showMessage("您已经创建了两个群,不能再创建了！");
    return;
  }
  session_.relay().ask(CreateGroupRequest{}, context_,
                       [this](const CreateGroupRequest&, const CreateGroupResponse& answer) { onCreated(answer); });
  showMessage("创建新群已经提交,等待服务器批复!");
}

void GroupManager::onCreated(const CreateGroupResponse& answer) {
  switch (answer.result) {
    case CreateGroupResponse::kCreated:
      // GroupId 0 is no group; the next group list brings what the server made.
      if (answer.groupId != 0)
        session_.model.addOrUpdateGroup(static_cast<std::int32_t>(answer.groupId), texts::newGroup(), true, false);
      return;
    case CreateGroupResponse::kAlreadyCreatedTwo:
      showMessage("已经创建两个群,不能继续创建");
      return;
    case CreateGroupResponse::kInFiveGroups:
      showMessage("总共参与5个群了,不能再建了");
      return;
    default:
      showMessage("创建新群失败,请稍后再试!" + std::to_string(answer.result));
      return;
  }
}

void GroupManager::dismissGroup(std::int32_t groupId) {
  const GroupEntry* group = session_.model.findGroup(groupId);
  if (group == nullptr) return;
  if (!confirm("解散群后所有成员将全部退出并且不能再恢复!\r\n您确认要解散群 " + quoted(group->displayText) + "(" +
                 std::to_string(groupId) + ")吗?"))
    return;
  session_.relay().ask(DismissGroupRequest{static_cast<std::uint32_t>(groupId)}, context_,
                       [this](const DismissGroupRequest& asked, const DismissGroupResponse& answer) {
                         onDismissed(static_cast<std::int32_t>(asked.groupId), answer);
                       });
  // Gone at once, with its window and its members' private windows.
  session_.model.removeGroup(groupId);
}

void GroupManager::onDismissed(std::int32_t groupId, const DismissGroupResponse& answer) {
  if (answer.result != 0) showMessage("群" + std::to_string(groupId) + "解散失败,请稍后再试!");
}

void GroupManager::quitGroup(std::int32_t groupId) {
  const GroupEntry* group = session_.model.findGroup(groupId);
  if (group == nullptr) return;
  if (!confirm("您确认要退出群 " + quoted(group->displayText) + "(" + std::to_string(groupId) + ")吗?")) return;
  session_.relay().tell(QuitGroupRequest{static_cast<std::uint32_t>(groupId)}, context_);
  session_.model.removeGroup(groupId);
}

void GroupManager::removeMember(std::int32_t groupId, std::int32_t userId) {
  const GroupEntry* group = session_.model.findGroup(groupId);
  const ContactEntry* member = group == nullptr ? nullptr : group->findMember(userId);
  if (member == nullptr) return;
  if (!confirm("您确认要从群 " + quoted(group->displayText) + "(" + std::to_string(groupId) + ")中删除好友" +
                 quoted(texts::memberItem(member->nickname, userId)) + "(" + std::to_string(userId) + ")吗?"))
    return;
  RemoveGroupMemberRequest request;
  request.groupId = static_cast<std::uint32_t>(groupId);
  request.userId = static_cast<std::uint32_t>(userId);
  session_.relay().tell(request, context_);
  session_.model.removeMember(groupId, userId);
}

std::optional<bool> GroupManager::toggleShield(std::int32_t groupId) {
  const GroupEntry* group = session_.model.findGroup(groupId);
  if (group == nullptr) return std::nullopt;
  const bool shield = !group->shielded;
  ShieldGroupRequest request;
  request.groupId = static_cast<std::uint32_t>(groupId);
  request.shield = shield ? 1 : 0;
  session_.relay().tell(request, context_);
  session_.model.setGroupShield(groupId, shield);
  showMessage("改变群屏蔽状态已经提交!");
  return shield;
}

}  // namespace kiv
