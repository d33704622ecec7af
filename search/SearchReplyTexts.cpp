#include "search/SearchReplyTexts.h"

#include "net/AddFriendMessages.h"
#include "net/InviteToGroupMessages.h"
#include "net/JoinGroupMessages.h"

namespace kiv::search_texts {

namespace {

std::string number(std::uint32_t value) {
  return std::to_string(value);
}

}  // namespace

std::string addFriend(int status, const std::string& name) {
  switch (status) {
    case AddFriendResponse::kAdded:
      return "好友" + name + "添加成功";
    case AddFriendResponse::kNoSuchUser:
      return "添加的用户" + name + "不存在";
    case AddFriendResponse::kAlreadyFriend:
      return "好友" + name + "已经添加到列表中";
    case AddFriendResponse::kRefused:
      return "未知原因添加好友" + name + "失败";
    default:
      return "网络故障,请稍后再试";
  }
}

std::string inviteToGroup(int status, std::uint32_t groupId, const std::string& name) {
  switch (status) {
    case InviteToGroupResponse::kInvited:
      return "邀请成功,等待用户回复同意加入";
    case InviteToGroupResponse::kGroupFull:
      return "群" + number(groupId) + "内成员已达到最大数";
    case InviteToGroupResponse::kNoSuchGroup:
      return "您要添加好友的群号" + number(groupId) + "不正确";
    case InviteToGroupResponse::kNoSuchUser:
      return "好友" + name + "不存在";
    case InviteToGroupResponse::kAlreadyMember:
      return "好友" + name + "已经在群中";
    case InviteToGroupResponse::kInThreeGroups:
      return "好友" + name + "已经加了三个群,不能继续加入新群";
    case InviteToGroupResponse::kUserCancelled:
      return "好友" + name + "已经注销业务";
    case InviteToGroupResponse::kSystemError:
      return "系统错误,请稍后再试";
    default:
      return "网络故障,错误代码:" + std::to_string(status);
  }
}

std::string joinGroup(int status, std::uint32_t groupId) {
  switch (status) {
    case JoinGroupResponse::kPassedToOwner:
      return "加入群" + number(groupId) + "的申请已经成功发出,等待群主回复";
    case JoinGroupResponse::kAlreadyMember:
      return "已经加入群" + number(groupId) + ",不用重复申请";
    case JoinGroupResponse::kDismissed:
      return "要申请加入的群" + number(groupId) + "已经解散";
    case JoinGroupResponse::kNoSuchGroup:
      return "申请的群" + number(groupId) + "不存在";
    case JoinGroupResponse::kInFiveGroups:
      return "您已经参与了5个群了,不能再参与其它群了";
    case JoinGroupResponse::kGroupFull:
      return "要加入的群" + number(groupId) + "已经达到最大人数限制,不能再新增成员了";
    default:
      return "系统繁忙,请稍后再试";
  }
}

}  // namespace kiv::search_texts
