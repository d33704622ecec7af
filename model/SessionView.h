#pragma once

#include <cstdint>

#include "model/MessageService.h"

namespace kiv {

// What the session controller has shown: the main window implements it.
// Every call comes on the UI thread.
class SessionView {
 public:
  virtual ~SessionView() = default;

  // The connection stands again (`online`) or has ended: the look says so.
  virtual void showConnection(bool online) = 0;

  // A stored batch for a conversation that may have a window now; false
  // when none could be had (the batch is then kept for the next one).
  virtual bool showBatch(const MessageService::Address& to, const MessageService::Batch& batch) = 0;
  // Every batch handed on while the session lasts, after showBatch was
  // asked or not; `shown` says whether a window shows it.
  virtual void batchArrived(const MessageService::Address& to, const MessageService::Batch& batch, bool shown) = 0;

  // The session is ending: whatever waits for the user (a question, a modal
  // window with a loop of its own) goes, or the program would wait for it.
  virtual void closeWaitingWindows() = 0;
};

}  // namespace kiv
