#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/ContactEntry.h"

namespace kiv {

// One group of the group tree with its members. Texts are GBK.
struct GroupEntry {
  static constexpr std::size_t kDisplayTextMax = 39;  // a 40-byte field with its NUL

  std::int32_t groupId = 0;
  std::string displayText;  // the tree item's text, trailing spaces and all
  bool owner = false;  // the signed-in user created the group
  bool shielded = false;
  // In tree order: response order, except that an owner joining is put first.
  std::vector<ContactEntry> members;

  const ContactEntry* findMember(std::int32_t userId) const {
    for (const auto& member : members)
      if (member.userId == userId) return &member;
    return nullptr;
  }
};

}  // namespace kiv
