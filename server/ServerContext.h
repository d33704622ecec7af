#pragma once

#include "platform/Clock.h"
#include "server/SendQuota.h"
#include "server/ServerLog.h"
#include "server/ServerOptions.h"
#include "server/SessionRegistry.h"
#include "server/SignInThrottle.h"
#include "server/Store.h"

namespace kiv::server {

// What every request handler of the chat port works with.
struct ServerContext {
  Store& store;
  SessionRegistry& sessions;
  ServerLog& log;
  const Clock& clock;
  SignInThrottle& throttle;
  SendQuota& quota;
  Quotas quotas;
  // Refuse a second sign-in of an account (result 5) instead of signing the
  // first connection out.
  bool refuseSecondLogin = false;
};

}  // namespace kiv::server
