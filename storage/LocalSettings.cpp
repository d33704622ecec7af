#include "storage/LocalSettings.h"

#include <string>

#include "platform/AutoStart.h"
#include "platform/ProgramPaths.h"
#include "storage/LoginStore.h"

namespace kiv {
namespace {

constexpr const char* kSoundOff = "dis_voice";
constexpr const char* kNoticesOff = "dis_notify";

}  // namespace

bool LocalSettings::IsAutoStartOn() {
  return autostart::isOn();
}

bool LocalSettings::SetAutoStart(bool on) {
  return autostart::set(on, paths::executablePath());
}

bool LocalSettings::IsSoundOn() {
  return markerAbsent(kSoundOff);
}

bool LocalSettings::SetSound(bool on) {
  return setMarker(kSoundOff, !on);
}

bool LocalSettings::IsDesktopNoticeOn() {
  return markerAbsent(kNoticesOff);
}

bool LocalSettings::SetDesktopNotice(bool on) {
  return setMarker(kNoticesOff, !on);
}

bool LocalSettings::markerAbsent(const char* table) {
  return logins_.database()
      .query("Select name From sqlite_master where type='table' and name=?", {std::string_view(table)})
      .empty();
}

bool LocalSettings::setMarker(const char* table, bool present) {
  // The marker tables are fixed names of this file, never user text.
  const std::string name(table);
  return logins_.database().execute(present ? "CREATE TABLE " + name + "(id INTEGER)" : "drop TABLE " + name);
}

}  // namespace kiv
