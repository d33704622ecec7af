#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <vector>

// Every message box of the program goes through this one service: the
// caller names the text, caption, icon and buttons; the installed presenter
// shows it (on the UI thread, whatever thread asked) and returns the answer.
namespace kiv {

enum class MessageIcon { Warning, Information, Error, Question };
enum class MessageButtons { Ok, OkCancel };
enum class MessageAnswer { Ok, Cancel };

struct MessageRequest {
  std::string text;  // UTF-8
  std::string caption = "提示";
  MessageIcon icon = MessageIcon::Warning;
  MessageButtons buttons = MessageButtons::Ok;
};

class MessagePresenter {
 public:
  virtual ~MessagePresenter() = default;
  // Shows the box and blocks the calling thread until it is answered.
  virtual MessageAnswer present(const MessageRequest& request) = 0;
};

// Installs the presenter that showMessage uses; nullptr restores the default,
// which writes the text to standard error and answers Ok. The presenter must
// outlive its installation.
void installMessagePresenter(MessagePresenter* presenter);

MessageAnswer showMessage(const MessageRequest& request);

inline MessageAnswer showMessage(std::string text, MessageButtons buttons = MessageButtons::Ok,
                                 MessageIcon icon = MessageIcon::Warning) {
  return showMessage(MessageRequest{std::move(text), "提示", icon, buttons});
}

// Asks with OK and Cancel; true for OK.
inline bool confirm(std::string question) {
  return showMessage(std::move(question), MessageButtons::OkCancel) == MessageAnswer::Ok;
}

// A presenter for tests: records every request and answers from a script
// (Ok once the script is empty). Safe to call from any thread.
class MessageRecorder : public MessagePresenter {
 public:
  MessageRecorder() { installMessagePresenter(this); }
  ~MessageRecorder() override { installMessagePresenter(nullptr); }
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;

  MessageAnswer present(const MessageRequest& request) override;

  // The answers to give, in order.
  void script(std::vector<MessageAnswer> answers);
  std::vector<MessageRequest> requests() const;
  std::vector<std::string> texts() const;

 private:
  mutable std::mutex mutex_;
  std::vector<MessageRequest> requests_;
  std::deque<MessageAnswer> answers_;
};

}  // namespace kiv
