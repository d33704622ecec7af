#include "cli/CliSession.h"

#include <cstdio>

#include "cli/AccountPassword.h"
#include "net/ReceiverRegistry.h"
#include "net/SignInTexts.h"
#include "platform/Gbk.h"
#include "platform/MessageBox.h"

namespace kiv::cli {
namespace {

std::vector<CliSession::Hook>& hooks() {
  static std::vector<CliSession::Hook> all;
  return all;
}

class FunctionReceiver final : public ResponseReceiver {
 public:
  explicit FunctionReceiver(CliSession::Handler handler) : handler_(std::move(handler)) {}
  void OnServerResponse(const PendingRequest& request, const std::uint8_t* response, std::uint32_t size,
                        std::uint32_t command) override {
    handler_(request, response, size, command);
  }

 private:
  CliSession::Handler handler_;
};

}  // namespace

// A message box of the client becomes a line of output.
class CliSession::Presenter final : public MessagePresenter {
 public:
  Presenter() { installMessagePresenter(this); }
  ~Presenter() override { installMessagePresenter(nullptr); }
  MessageAnswer present(const MessageRequest& request) override {
    printLine(request.text);
    return MessageAnswer::Ok;
  }
};

class CliSession::Observer final : public NetObserver {
 public:
  explicit Observer(CliSession& session) : session_(session) {}

  void onLoginRefused(int result, const std::string& text) override {
    printLine(text);
    update([&] { session_.refusal_ = result; });
  }
  void onGroupList(const GroupListResponse& groups) override {
    update([&] {
      if (!session_.groups_) session_.groups_ = groups;
    });
  }
  void onNotice(const MessageNotice& notice) override {
    std::function<void(const MessageNotice&)> handler;
    {
      std::lock_guard lock(session_.mutex_);
      handler = session_.noticeHandler_;
    }
    if (handler) handler(notice);
  }
  void onConnectionEnded(LogoutState state) override {
    if (state == LogoutState::kForcedOffline) printLine(kForcedOfflineText);
    update([&] { session_.ended_ = true; });
  }

  template <class F>
  void update(F&& f) {
    {
      std::lock_guard lock(session_.mutex_);
      f();
    }
    session_.notify();
  }

 private:
  CliSession& session_;
};

CliSession::CliSession(const CliOptions& options)
    : options_(options),
      client_(NetClient::Options{.pauseScale = options.pace}),
      observer_(std::make_shared<Observer>(*this)), presenter_(std::make_unique<Presenter>()) {
  client_.setObserver(observer_);
  client_.SetServer(options.server.host, options.server.port);
  profileHandle_ = receiver(
      [this](const PendingRequest&, const std::uint8_t* response, std::uint32_t size, std::uint32_t command) {
        if (command != UserInfoResponse::kCommand) return;
        observer_->update([&] { profile_ = UserInfoResponse::read(response, size); });
      });
  mainHandle_ = receiver([this](const PendingRequest&, const std::uint8_t* response, std::uint32_t size,
                                std::uint32_t command) {
    if (command != FriendListResponse::kCommand) return;
    observer_->update([&] {
      if (!friends_) friends_ = FriendListResponse::read(response, size);
    });
  });
  client_.setLoginAsker(profileHandle_);
  client_.setMainAsker(mainHandle_);
}

CliSession::~CliSession() {
  signOut();
  for (const ReceiverHandle h : receivers_) ReceiverRegistry::global().remove(h);
  client_.setObserver(nullptr);
}

int CliSession::signIn(bool waitForFriends, std::chrono::seconds patience) {
  if (options_.phone.empty()) {
    std::fprintf(stderr, "kiv-cli: this command needs --phone\n");
    return kExitUsage;
  }
  options_.password = accountPassword(options_);
  if (options_.password.empty()) {
    std::fprintf(stderr, "kiv-cli: this command needs the password: set KIV_PASSWORD, or run it on a terminal\n");
    return kExitUsage;
  }
  client_.SetAccount(gbk::fromUtf8(options_.phone), gbk::fromUtf8(options_.password));
  if (client_.Start() != 0) return kExitFailed;
  const bool arrived = waitFor(
      [&] {
        std::lock_guard lock(mutex_);
        return profile_.has_value() && (!waitForFriends || friends_.has_value());
      },
      patience);
  if (!arrived) {
    std::lock_guard lock(mutex_);
    if (refusal_ != 0) return kExitRefusedBase + refusal_;
    if (profile_ && profile_->status != 0) return kExitFailed;
    return kExitNoServer;
  }
  {
    std::lock_guard lock(mutex_);
    if (profile_->status != 0) return kExitFailed;
  }
  for (const auto& hook : hooks()) hook(*this);
  return kExitOk;
}

void CliSession::signOut() {
  if (signedOut_) return;
  signedOut_ = true;
  client_.Shutdown();
  client_.waitForThreads(std::chrono::seconds(2));
}

UserInfoResponse CliSession::ownProfile() const {
  std::lock_guard lock(mutex_);
  return profile_.value_or(UserInfoResponse{});
}

FriendListResponse CliSession::friends() const {
  std::lock_guard lock(mutex_);
  return friends_.value_or(FriendListResponse{});
}

std::optional<GroupListResponse> CliSession::groups() const {
  std::lock_guard lock(mutex_);
  return groups_;
}

ReceiverHandle CliSession::receiver(Handler handler) {
  const ReceiverHandle h = ReceiverRegistry::global().add(std::make_shared<FunctionReceiver>(std::move(handler)));
  receivers_.push_back(h);
  return h;
}

bool CliSession::ask(const std::vector<std::uint8_t>& packet, ReceiverHandle asker) {
  return client_.Enqueue(packet, asker) == 0;
}

void CliSession::onNotice(std::function<void(const MessageNotice&)> handler) {
  std::lock_guard lock(mutex_);
  noticeHandler_ = std::move(handler);
}

// The predicate runs under waitLock_ only, so it may use the accessors,
// which take mutex_.
bool CliSession::waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto over = [&] {
    std::lock_guard lock(mutex_);
    return ended_ || refusal_ != 0;
  };
  std::unique_lock lock(waitLock_);
  changed_.wait_for(lock, timeout, [&] { return done() || over(); });
  return done();
}

void CliSession::notify() {
  { std::lock_guard lock(waitLock_); }
  changed_.notify_all();
}

bool CliSession::ended() const {
  std::lock_guard lock(mutex_);
  return ended_;
}

void CliSession::printLine(const std::string& utf8) {
  static std::mutex output;
  std::lock_guard lock(output);
  std::fwrite(utf8.data(), 1, utf8.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

void CliSession::addSignedInHook(Hook hook) {
  hooks().push_back(std::move(hook));
}

}  // namespace kiv::cli
