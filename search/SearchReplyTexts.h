#pragma once

#include <cstdint>
#include <string>

// The messages the search results show for the answers to their requests.
// Names are UTF-8, as the texts are.
namespace kiv::search_texts {

// "加为好友": `name` is the found user's nickname (or number).
std::string addFriend(int status, const std::string& name);
// "邀请加入我创建的群": the group asked into and the invited user.
std::string inviteToGroup(int status, std::uint32_t groupId, const std::string& name);
// "加入群": the group asked for.
std::string joinGroup(int status, std::uint32_t groupId);

}  // namespace kiv::search_texts
