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

// 1 when the entry exists, 0 when it does not or the folder cannot be found.
int isOn();

// on != 0: creates or overwrites the entry so that it starts `executable`;
// 1 when the entry was written, 0 when it could not be (folder not found,
// not writable). on == 0: deletes the entry; 1 when it was deleted, 0 when
// deleting failed, also when there was no entry.
int set(int on, const std::string& executable);

// The text of the XDG entry that starts `executable` (exposed for tests).
std::string desktopEntryText(const std::string& executable);

}  // namespace kiv::autostart
