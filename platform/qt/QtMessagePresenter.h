#pragma once

#include "platform/MessageBox.h"

namespace kiv {

// Shows message boxes with QMessageBox, their text always plain. A call from
// a worker thread is run on the UI thread while the worker waits for the
// answer.
class QtMessagePresenter final : public MessagePresenter {
 public:
  MessageAnswer present(const MessageRequest& request) override;

  // Closes every box still waiting for an answer, as if cancelled: the
  // program is ending and nobody is left to answer them (a worker thread
  // waiting for one goes on). UI thread only.
  static void dismissOpenBoxes();
};

}  // namespace kiv
