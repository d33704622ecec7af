#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliCommand.h"
#include "net/FriendListMessages.h"
#include "net/GroupListMessages.h"
#include "net/NetClient.h"
#include "net/UserInfoMessages.h"

namespace kiv::cli {

// Signs a kiv-cli command in on a NetClient with the protocol's real timing
// (scaled by the options' pace, for tests) and collects what arrives on the way: the own profile, the friend list,
// the group list and the notices. Message boxes are printed to standard
// output as lines of UTF-8 text. Signs out when it goes away.
//
//   CliSession session(options);
//   if (int rc = session.signIn(); rc != kExitOk) return rc;
//   session.ownUserId() ...
class CliSession {
 public:
  using Handler =
      std::function<void(const PendingRequest& request, const std::uint8_t* response, std::uint32_t size,
                         std::uint32_t command)>;
  using Hook = std::function<void(CliSession&)>;

  // How long a command waits for the server before it gives up (exit 2).
  static constexpr std::chrono::seconds kPatience{60};
  // The exit code of a refusal is this plus the login result (11..15).
  static constexpr int kExitRefusedBase = 10;

  explicit CliSession(const CliOptions& options);
  ~CliSession();
  CliSession(const CliSession&) = delete;
  CliSession& operator=(const CliSession&) = delete;

  // Starts the client and waits for the own profile, and with
  // `waitForFriends` for the first friend list too. kExitOk, kExitUsage
  // without phone or password (see accountPassword), 10 + result for a refusal (its message
  // printed), kExitNoServer when nothing came in time, kExitFailed when the
  // server has no profile for the account.
  int signIn(bool waitForFriends = false, std::chrono::seconds patience = kPatience);
  // Logs out and stops the client (also done by the destructor).
  void signOut();

  NetClient& client() { return client_; }
  const CliOptions& options() const { return options_; }
  std::uint32_t ownUserId() const { return client_.ownUserId(); }
  UserInfoResponse ownProfile() const;
  FriendListResponse friends() const;
  // The first group list after sign-in, once it has arrived.
  std::optional<GroupListResponse> groups() const;

  // A receiver of answers, registered for the session's life; runs on the
  // receive thread.
  ReceiverHandle receiver(Handler handler);
  // Queues a request with a fresh key; false when the client refused it.
  bool ask(const std::vector<std::uint8_t>& packet, ReceiverHandle asker);
  // Called on the receive thread for every notice.
  void onNotice(std::function<void(const MessageNotice&)> handler);

  // Waits until `done` holds (checked whenever something arrives), the
  // connection ended, or `timeout` passed. True when `done` held.
  bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout);
  // Wakes waitFor after a handler changed what `done` looks at.
  void notify();
  bool ended() const;

  // Prints one whole line to standard output (safe from any thread).
  static void printLine(const std::string& utf8);

  // Run after every successful sign-in, in the order added: the place where
  // a command's storing (login store, message store) hooks in.
  static void addSignedInHook(Hook hook);

 private:
  class Observer;
  class Presenter;

  CliOptions options_;
  NetClient client_;
  std::shared_ptr<Observer> observer_;
  std::unique_ptr<Presenter> presenter_;
  std::vector<ReceiverHandle> receivers_;
  ReceiverHandle profileHandle_ = 0;
  ReceiverHandle mainHandle_ = 0;

  mutable std::mutex mutex_;  // guards the state below
  std::mutex waitLock_;       // pairs with changed_
  std::condition_variable changed_;
  std::optional<UserInfoResponse> profile_;
  std::optional<FriendListResponse> friends_;
  std::optional<GroupListResponse> groups_;
  int refusal_ = 0;
  bool ended_ = false;
  bool signedOut_ = false;
  std::function<void(const MessageNotice&)> noticeHandler_;
};

}  // namespace kiv::cli
