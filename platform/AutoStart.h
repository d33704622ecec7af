#pragma once

#include <string>

// Starting the program when the user logs on. The setting is nothing but the
// presence of a start-up entry: on Windows the shortcut "木棉.lnk" in the
// user's Startup folder, elsewhere the XDG autostart entry "木棉.desktop" in
// $XDG_CONFIG_HOME/autostart (default ~/.config/autostart).
namespace kiv::autostart {

// Full path of the start-up entry; empty when the folder cannot be found
// (no Startup folder, or neither XDG_CONFIG_HOME nor HOME set).
std::string entryPath();

// Whether the entry exists (false when the folder cannot be found).
bool isOn();

// on: creates or overwrites the entry so that it starts `executable`; true
// when the entry was written, false when it could not be (folder not found,
// not writable). Off: deletes the entry; true when it was deleted, false when
// deleting failed, also when there was no entry.
bool set(bool on, const std::string& executable);

// The text of the XDG entry that starts `executable` (exposed for tests).
std::string desktopEntryText(const std::string& executable);

}  // namespace kiv::autostart
