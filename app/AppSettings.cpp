#include "app/AppSettings.h"

#include "platform/Pace.h"

namespace kiv {

AppSettings AppSettings::fromEnvironment() {
  AppSettings settings;
  settings.server = chatServerEndpoint();
  settings.pace = paceFromEnvironment();
  return settings;
}

}  // namespace kiv
