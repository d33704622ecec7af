#pragma once

#include <string>

// Where avatars live: per signed-in account, BMP files in the face
// subdirectory of the account directory, downloaded from the web host's
// upload folders.
namespace kiv::avatar {

// The side of every cached avatar file.
inline constexpr int kCachedSize = 70;

// "<program dir><ownUserId>/face"; empty without a program directory.
std::string cacheDirectory(int ownUserId);

// "<cache dir>/<id>.bmp", or "<cache dir>/g<id>.bmp" for a group; empty
// without a program directory.
std::string cacheFile(int ownUserId, int id, bool group);

// The name of the own avatar file inside the cache directory: "<id>.bmp".
std::string ownFileName(int ownUserId);

// The web path of the picture: "upload/user/<id>.jpg" or "upload/group/<id>.jpg".
std::string webPath(int id, bool group);

// The drawn size for a requested size: 70 and 40 stay, anything else is 20.
int drawSize(int requested);

}  // namespace kiv::avatar
