#pragma once

#include <deque>
#include <functional>
#include <map>
#include <mutex>

#include "net/LoginMessages.h"
#include "net/UserInfoMessages.h"
#include "support/FakePeer.h"

namespace kiv::test {

// A fake chat server for the answers the real one never gives: it signs
// every login in as kOwnId, answers the own-profile request, and answers
// other requests only from a script, in order, one scripted answer per
// request of that command.
class ScriptedServer {
 public:
  using Bytes = FakePeer::Bytes;
  using Answer = std::function<Bytes(const HeaderKey& key)>;
  static constexpr std::uint32_t kOwnId = 10001;

  ScriptedServer() {
    peer.setResponder([this](const Bytes& packet) { return serve(packet); });
  }

  std::uint16_t port() const { return peer.port(); }

  // The answer to the next request of `command` (a request code).
  void answerNext(std::uint32_t command, Answer answer) {
    std::lock_guard lock(mutex_);
    script_[command].push_back(std::move(answer));
  }
  // An answer that is these bytes with the request's header key.
  template <class Response>
  void answerNextWith(std::uint32_t command, Response response) {
    answerNext(command, [response](const HeaderKey& key) { return response.build(key); });
  }

  FakePeer peer;

 private:
  std::vector<Bytes> serve(const Bytes& packet) {
    const HeaderKey key = keyOf(packet.data());
    const std::uint32_t command = commandOf(packet.data());
    if (command == LoginRequest::kCommand) return {LoginResponse{LoginResponse::kLoggedIn}.build(key)};
    if (command == UserInfoRequest::kCommand &&
        UserInfoRequest::read(packet.data(), packet.size()).userId == 0) {
      UserInfoResponse own;
      own.userId = kOwnId;
      own.nickname = "me";
      own.sex = "\xc5\xae";  // 女
      return {own.build(key)};
    }
    std::lock_guard lock(mutex_);
    auto& queue = script_[command];
    if (queue.empty()) return {};
    Answer answer = std::move(queue.front());
    queue.pop_front();
    return {answer(key)};
  }

  std::mutex mutex_;
  std::map<std::uint32_t, std::deque<Answer>> script_;
};

}  // namespace kiv::test
