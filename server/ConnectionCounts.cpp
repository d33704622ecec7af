#include "server/ConnectionCounts.h"

#include <cstdio>

namespace kiv::server {

std::string peerKey(const boost::asio::ip::address& address) {
  if (address.is_v4()) return address.to_v4().to_string();
  const auto v6 = address.to_v6();
  if (v6.is_v4_mapped()) return boost::asio::ip::make_address_v4(boost::asio::ip::v4_mapped, v6).to_string();
  const auto bytes = v6.to_bytes();
  char text[48];
  std::snprintf(text, sizeof text, "%02x%02x:%02x%02x:%02x%02x:%02x%02x::/64", bytes[0], bytes[1], bytes[2], bytes[3],
                bytes[4], bytes[5], bytes[6], bytes[7]);
  return text;
}

std::shared_ptr<void> ConnectionCounts::admit(const std::string& key, bool perAddress) {
  {
    std::lock_guard lock(mutex_);
    auto& count = perKey_[key];
    if (total_ >= caps_.total || (perAddress && count >= caps_.perAddress)) {
      if (count == 0) perKey_.erase(key);
      return nullptr;
    }
    ++count;
    ++total_;
  }
  // Gives the place back when the connection lets go of it.
  struct Ticket {
    Ticket(std::shared_ptr<ConnectionCounts> c, std::string k) : counts(std::move(c)), key(std::move(k)) {}
    ~Ticket() { counts->release(key); }
    Ticket(const Ticket&) = delete;
    Ticket& operator=(const Ticket&) = delete;
    std::shared_ptr<ConnectionCounts> counts;
    std::string key;
  };
  return std::make_shared<Ticket>(shared_from_this(), key);
}

void ConnectionCounts::release(const std::string& key) {
  std::lock_guard lock(mutex_);
  auto found = perKey_.find(key);
  if (found == perKey_.end()) return;
  --total_;
  if (--found->second == 0) perKey_.erase(found);
}

std::size_t ConnectionCounts::total() const {
  std::lock_guard lock(mutex_);
  return total_;
}

}  // namespace kiv::server
