#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "net/Packet.h"
#include "server/ClientLink.h"

namespace kiv::server {

// One whole packet from a client, with the connection it came on.
struct Request {
  std::shared_ptr<ClientLink> link;
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  // Handed in again after the server held it.
  bool again = false;

  // The 16 bytes every answer copies.
  HeaderKey key() const { return keyOf(data); }
  std::uint32_t userId() const { return link->userId(); }
};

}  // namespace kiv::server
