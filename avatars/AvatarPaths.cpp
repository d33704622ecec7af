#include "avatars/AvatarPaths.h"

#include "platform/ProgramPaths.h"

namespace kiv::avatar {

std::string cacheDirectory(int ownUserId) {
  const std::string program = paths::programDirectory();
  if (program.empty()) return {};
  return program + std::to_string(ownUserId) + paths::kSeparator + "face";
}

std::string ownFileName(int ownUserId) {
  return std::to_string(ownUserId) + ".bmp";
}

std::string cacheFile(int ownUserId, int id, bool group) {
  const std::string directory = cacheDirectory(ownUserId);
  if (directory.empty()) return {};
  return directory + paths::kSeparator + (group ? "g" : "") + std::to_string(id) + ".bmp";
}

std::string webPath(int id, bool group) {
  return std::string(group ? "upload/group/" : "upload/user/") + std::to_string(id) + ".jpg";
}

int drawSize(int requested) {
  return requested == 70 || requested == 40 ? requested : 20;
}

}  // namespace kiv::avatar
