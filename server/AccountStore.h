#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "server/Database.h"
#include "server/StoreTypes.h"

namespace kiv::server {

// The accounts: phone, password, profile, cancellation.
class AccountStore {
 public:
  explicit AccountStore(Database& db) : db_(db) {}

  std::optional<Account> account(std::uint32_t userId);
  std::optional<Account> accountByPhone(std::string_view phone);
  // The new UserId, or 0 when the phone is taken or the row cannot be added.
  std::uint32_t addAccount(std::string_view phone, std::string_view password, std::string_view nickname);
  bool updateProfile(std::uint32_t userId, std::string_view nickname, std::string_view sex,
                     std::string_view introduction, std::string_view birthday);
  bool setExtras(std::uint32_t userId, std::int32_t points, std::string_view city);
  bool setPassword(std::uint32_t userId, std::string_view password);
  bool setCancelled(std::uint32_t userId, bool cancelled);
  std::vector<Account> all();
  std::vector<std::uint32_t> cancelled();

 private:
  Database& db_;
};

}  // namespace kiv::server
