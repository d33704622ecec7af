#pragma once

#include <ostream>

#include "server/Store.h"

namespace kiv::server {

class AdminCommands;

// The demo data of seed-demo: a handful of accounts with profiles and
// avatars, friendships, two groups, a few waiting messages and one pending
// invitation. server/README.md lists the accounts. Running it on a database
// that has them already changes nothing.
class DemoSeeder {
 public:
  static constexpr char kPassword[] = "123456";

  DemoSeeder(AdminCommands& admin, Store& store, std::ostream& out) : admin_(admin), store_(store), out_(out) {}

  bool seed();

 private:
  AdminCommands& admin_;
  Store& store_;
  std::ostream& out_;
};

}  // namespace kiv::server
