#pragma once

#include <cstdint>
#include <string>

#include "model/ContactEntry.h"
#include "model/ContactListKind.h"
#include "model/GroupEntry.h"
#include "model/SelfProfile.h"
#include "net/ConversationKind.h"

namespace kiv {

// Told of every change of the contact model, right after it was made and on
// the model's thread, so that a list or tree can mirror the change without
// reading everything again. Entries passed in are the model's own, valid for
// the call. Every operation has a default that ignores it.
class ContactModelObserver {
 public:
  virtual ~ContactModelObserver() = default;

  // A row was appended at `row` (always the new last row).
  virtual void contactAdded(ContactListKind, int /*row*/, const ContactEntry&) {}
  // The nickname or terminal of the entry at `row` changed: new row text
  // (texts::contactRow) and icon.
  virtual void contactChanged(ContactListKind, int /*row*/, const ContactEntry&) {}
  // The row was deleted; every later row moved up by one.
  virtual void contactRemoved(ContactListKind, int /*row*/, std::int32_t /*userId*/) {}

  // A group was appended as the last top-level item.
  virtual void groupAdded(const GroupEntry&) {}
  // Its display text (and with it owner or shield) changed.
  virtual void groupChanged(const GroupEntry&) {}
  // The group and its member items were deleted.
  virtual void groupRemoved(std::int32_t /*groupId*/) {}

  // A member item was inserted as the first (an owner) or last child.
  virtual void memberAdded(std::int32_t /*groupId*/, const ContactEntry&, bool /*first*/) {}
  // A member's nickname or terminal changed (texts::memberItem, icon).
  virtual void memberChanged(std::int32_t /*groupId*/, const ContactEntry&) {}
  virtual void memberRemoved(std::int32_t /*groupId*/, std::int32_t /*userId*/) {}

  // The own profile was set (sign-in, or the user saved it): the header
  // texts follow.
  virtual void selfChanged(const SelfProfile&) {}
  // The cached avatar of a user or group was replaced (a new picture was
  // chosen): every view showing it loads it again.
  virtual void avatarChanged(std::int32_t /*id*/, bool /*group*/) {}
  // The count of unread messages of a conversation (its kind and number)
  // changed.
  virtual void unreadChanged(ConversationKind /*kind*/, std::int32_t /*number*/) {}
};

}  // namespace kiv
