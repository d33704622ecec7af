#include "platform/MessageBox.h"

#include <atomic>
#include <cstdio>

namespace kiv {
namespace {

class StderrPresenter final : public MessagePresenter {
 public:
  MessageAnswer present(const MessageRequest& request) override {
    std::fprintf(stderr, "[%s] %s\n", request.caption.c_str(), request.text.c_str());
    return MessageAnswer::Ok;
  }
};

StderrPresenter defaultPresenter;
std::atomic<MessagePresenter*> current{&defaultPresenter};

}  // namespace

void installMessagePresenter(MessagePresenter* presenter) {
  current.store(presenter != nullptr ? presenter : &defaultPresenter);
}

MessageAnswer showMessage(const MessageRequest& request) {
  return current.load()->present(request);
}

MessageAnswer MessageRecorder::present(const MessageRequest& request) {
  std::lock_guard lock(mutex_);
  requests_.push_back(request);
  if (answers_.empty()) return MessageAnswer::Ok;
  const MessageAnswer answer = answers_.front();
  answers_.pop_front();
  return answer;
}

void MessageRecorder::script(std::vector<MessageAnswer> answers) {
  std::lock_guard lock(mutex_);
  answers_.assign(answers.begin(), answers.end());
}

std::vector<MessageRequest> MessageRecorder::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::vector<std::string> MessageRecorder::texts() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> out;
  for (const auto& r : requests_) out.push_back(r.text);
  return out;
}

}  // namespace kiv
