#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/LoginStore.h"

namespace kiv {

struct LoginChoices;

// The accounts this computer remembers, as the login window offers them,
// and what a sign-in leaves behind: the decisions, apart from the widgets.
//
// Only an account remembered with its password signs in by itself. One that
// was chosen for it without a saved password (automatic sign-in ticked in
// the options after a sign-in without "记住密码") is offered first, with the
// choice still ticked, for the user to type the password once.
class RememberedAccounts {
 public:
  void load(LoginStore& store);

  // The accounts, the most recent sign-in first.
  const std::vector<std::int32_t>& newestFirst() const { return newestFirst_; }
  std::string phone(std::int32_t userId) const;
  // "" when the password is not remembered.
  std::string password(std::int32_t userId) const;
  // The remembered account with this phone text, 0 when none.
  std::int32_t find(const std::string& phone) const;
  void forget(std::int32_t userId);

  // The account to sign in at once, 0 for none.
  std::int32_t automaticSignIn() const;
  // The account chosen for automatic sign-in if it is still remembered (with
  // or without its password), 0 otherwise.
  std::int32_t automaticChoice() const { return automatic_; }

  // After a successful sign-in of `userId`: remembers the account, with the
  // password when "记住密码" was ticked, else without; makes it the automatic
  // account when "自动登录" was ticked, and when it was not, no longer so.
  static void recordSignIn(LoginStore& store, const LoginChoices& choices, std::int32_t userId);

 private:
  PhoneMap phones_;
  PasswordMap passwords_;
  std::vector<std::int32_t> newestFirst_;
  std::int32_t automatic_ = 0;
};

}  // namespace kiv
