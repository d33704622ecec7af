#pragma once

namespace kiv {

// What the conversation registry needs of a chat window. The chat window
// implements it; tests use fakes.
class ConversationWindow {
 public:
  virtual ~ConversationWindow() = default;

  // Closes the window for good. The window takes care of its own deletion
  // from here (a Qt window deletes itself later, since it may be the caller,
  // e.g. a group chat that learns it was removed from the group); the
  // registry forgets it right after this call.
  virtual void destroy() = 0;

  // False once the system has destroyed the native window; the object can
  // then be shown again by recreating it.
  virtual bool isAlive() const = 0;
};

}  // namespace kiv
