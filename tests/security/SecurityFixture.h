#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "net/UserInfoMessages.h"
#include "server/RawClient.h"
#include "server/ServerFixture.h"
#include "support/WaitFor.h"

namespace kiv::test {

// The server under attack. Each test runs its attack on a thread of its own
// while the genuine user works here, and shows that the genuine user still
// gets through. Limits are tightened and times shortened by the options, so
// an attack shows its effect within a second.
class SecurityTest : public ServerFixture {
 protected:
  template <class Attack, class Genuine>
  static void whileAttacking(Attack attack, Genuine genuine) {
    std::thread attacker(attack);
    genuine();
    attacker.join();
  }

  // A signed-in client answers a profile request: the server serves it.
  static bool served(RawClient& client, std::uint32_t id) {
    return client.ask<UserInfoResponse>(UserInfoRequest{0}).userId == id;
  }

  // The status of one HTTP request from `from` on its own connection.
  int http(const std::string& request, const std::string& from = "127.0.0.1") {
    return kiv::test::http(server_->webPort(), request, from).status;
  }

  // An avatar upload in the client's layout, `file` as the picture.
  static std::string uploadRequest(const std::string& phone, const std::string& password, std::uint32_t id,
                                   const std::string& file) {
    std::string body;
    for (const auto& [name, value] : {std::pair<std::string, std::string>{"loginuser", phone},
                                      {"loginpwd", password}, {"changid", std::to_string(id)}, {"isgroup", "0"}}) {
      body += "--b\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" + value + "\r\n";
    }
    body += "--b\r\nContent-Disposition: form-data; name=\"filename\"; filename=\"a\"\r\n\r\n" + file + "\r\n--b--";
    return "POST /upload/pc_img_add.jsp HTTP/1.1\r\nHost: x\r\nConnection: close\r\n"
           "Content-Type: multipart/form-data; boundary=b\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
  }
};

}  // namespace kiv::test
