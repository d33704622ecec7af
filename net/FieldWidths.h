#pragma once

#include <cstddef>

// The widths of the fixed text fields that client and server exchange, in
// bytes. A field with a terminator carries at most width - 1 bytes of text;
// the ones marked "no terminator" are filled to the last byte. Both sides
// cut their texts to these, so a change here changes the protocol.
namespace kiv::fields {

inline constexpr std::size_t kPhone = 21;          // the phone number a sign-in names
inline constexpr std::size_t kSmsPhone = 11;       // the 11 digits of the SMS request, no terminator
inline constexpr std::size_t kPassword = 16;       // sign-in and password change
inline constexpr std::size_t kNickname = 16;       // a user's nickname, wherever it travels
inline constexpr std::size_t kGroupName = 16;
inline constexpr std::size_t kGroupCategory = 20;
inline constexpr std::size_t kIntroduction = 50;   // of a user and of a group
inline constexpr std::size_t kSex = 4;             // "保密" fills it, no terminator
inline constexpr std::size_t kCity = 10;
inline constexpr std::size_t kBirthday = 8;        // yyyymmdd, no terminator
inline constexpr std::size_t kGroupCreated = 12;   // the day a group was made
inline constexpr std::size_t kSearchText = 16;     // the words of a search
inline constexpr std::size_t kRecordText = 140;    // one message record's text
inline constexpr std::size_t kRecordTime = 12;     // yymmddhhmmss, no terminator

}  // namespace kiv::fields
