#pragma once

namespace kiv {

// The two lists of people.
enum class ContactListKind { kFriends, kStrangers };

}  // namespace kiv
