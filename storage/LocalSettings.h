#pragma once

namespace kiv {

class LoginStore;

// The switches of this computer, whoever signs in: starting with the
// session (the start-up entry), the new-message sound and desktop
// notifications. The sound and the notifications are "on" unless a marker
// table (dis_voice, dis_notify) says otherwise in the login database, so
// they read as on while that database is not open.
class LocalSettings {
 public:
  // `logins` holds the login database; it must outlive the settings.
  explicit LocalSettings(LoginStore& logins) : logins_(logins) {}
  LocalSettings(const LocalSettings&) = delete;
  LocalSettings& operator=(const LocalSettings&) = delete;

  bool IsAutoStartOn();
  // Creates (on) or removes the start-up entry for the running executable.
  // Removing an absent entry fails.
  bool SetAutoStart(bool on);
  bool IsSoundOn();
  // Drops (on) or creates the marker. Asking for the state already stored
  // fails.
  bool SetSound(bool on);
  bool IsDesktopNoticeOn();
  bool SetDesktopNotice(bool on);

 private:
  bool markerAbsent(const char* table);
  bool setMarker(const char* table, bool present);

  LoginStore& logins_;
};

}  // namespace kiv
