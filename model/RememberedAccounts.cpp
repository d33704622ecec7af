#include "model/RememberedAccounts.h"

#include <algorithm>

#include "model/ClientSession.h"

namespace kiv {

void RememberedAccounts::load(LoginStore& store) {
  phones_.clear();
  passwords_.clear();
  newestFirst_.clear();
  store.LoadLogins(phones_, passwords_, &newestFirst_);
  std::reverse(newestFirst_.begin(), newestFirst_.end());
  automatic_ = store.GetAutoLogin().value_or(0);
  if (phones_.count(automatic_) == 0) automatic_ = 0;
}

std::string RememberedAccounts::phone(std::int32_t userId) const {
  const auto it = phones_.find(userId);
  return it != phones_.end() ? it->second : std::string();
}

std::string RememberedAccounts::password(std::int32_t userId) const {
  const auto it = passwords_.find(userId);
  return it != passwords_.end() ? it->second : std::string();
}

std::int32_t RememberedAccounts::find(const std::string& phone) const {
  if (phone.empty()) return 0;
  for (const auto& [userId, text] : phones_)
    if (text == phone) return userId;
  return 0;
}

void RememberedAccounts::forget(std::int32_t userId) {
  phones_.erase(userId);
  passwords_.erase(userId);
  newestFirst_.erase(std::remove(newestFirst_.begin(), newestFirst_.end(), userId), newestFirst_.end());
  if (automatic_ == userId) automatic_ = 0;
}

std::int32_t RememberedAccounts::automaticSignIn() const {
  return automatic_ != 0 && !password(automatic_).empty() ? automatic_ : 0;
}

void RememberedAccounts::recordSignIn(LoginStore& store, const LoginChoices& choices, std::int32_t userId) {
  store.SaveLogin(choices.phone, userId, choices.rememberPassword ? choices.password : std::string());
  if (choices.autoLogin)
    store.SetAutoLogin(userId, true);
  else if (store.GetAutoLogin() == userId)
    store.SetAutoLogin(userId, false);
}

}  // namespace kiv
