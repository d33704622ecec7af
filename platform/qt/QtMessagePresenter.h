#pragma once

#include "platform/MessageBox.h"

namespace kiv {

// Shows message boxes with QMessageBox. A call from a worker thread is run on
// the UI thread while the worker waits for the answer.
class QtMessagePresenter final : public MessagePresenter {
 public:
  MessageAnswer present(const MessageRequest& request) override;
};

}  // namespace kiv
