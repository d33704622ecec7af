#pragma once

#include <memory>

#include "net/ResponseReceiver.h"

namespace kiv {

class Connection;

// Receives the own profile asked after every login on the connection's behalf.
class OwnProfileReceiver final : public ResponseReceiver {
 public:
  explicit OwnProfileReceiver(std::weak_ptr<Connection> connection) : connection_(std::move(connection)) {}

  void OnServerResponse(const PendingRequest& request, const std::uint8_t* response, std::uint32_t size,
                        std::uint32_t command) override;

 private:
  std::weak_ptr<Connection> connection_;
};

}  // namespace kiv
