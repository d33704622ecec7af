#pragma once

namespace kiv {

// How a conversation was opened; its window title follows from it.
enum class ChatCategory : int {
  kFriend = 0,
  kGroup = 1,
  kGroupMember = 2,  // private chat with a member of one of the user's groups
  kStranger = 3,
};

}  // namespace kiv
