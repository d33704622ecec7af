#include "platform/AutoStart.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/Gbk.h"

#ifdef _WIN32
// clang-format off
#include <windows.h>
#include <io.h>
#include <objbase.h>
#include <objidl.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shobjidl.h>
// clang-format on
#else
#include <unistd.h>
#endif

namespace kiv::autostart {
namespace {

#ifndef _WIN32
// Inside a quoted Exec argument these four characters need a backslash, and
// a literal percent sign must be doubled or it reads as a field code.
std::string quoteExecArgument(const std::string& argument) {
  std::string quoted = "\"";
  for (const char c : argument) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    if (c == '%') quoted += '%';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

// Escapes of every string value of a desktop entry, applied on top of the
// Exec quoting: a backslash doubles, control characters get their escapes so
// that a path can never break the line.
std::string escapeValue(const std::string& value) {
  std::string escaped;
  for (const char c : value) {
    switch (c) {
      case '\\':
        escaped += "\\\\";
        break;
      case '\n':
        escaped += "\\n";
        break;
      case '\r':
        escaped += "\\r";
        break;
      case '\t':
        escaped += "\\t";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}
#endif

}  // namespace

std::string desktopEntryText(const std::string& executable) {
#ifdef _WIN32
  (void)executable;
  return {};
#else
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=木棉\n"
         "Exec=" +
         escapeValue(quoteExecArgument(executable)) +
         "\n"
         "Terminal=false\n"
         "X-GNOME-Autostart-enabled=true\n";
#endif
}

#ifdef _WIN32

std::string entryPath() {
  char folder[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathA(nullptr, folder, CSIDL_STARTUP, FALSE)) return {};
  return std::string(folder) + gbk::fromUtf8("\\木棉.lnk");
}

bool isOn() {
  const std::string path = entryPath();
  return !path.empty() && _access(path.c_str(), 0) == 0;
}

bool set(bool on, const std::string& executable) {
  const std::string path = entryPath();
  if (path.empty()) return false;
  if (!on) return _unlink(path.c_str()) == 0;
  if (executable.empty()) return false;

  // Initialising COM twice on one thread is harmless (S_FALSE); it stays
  // initialised for the thread's life like the framework's OLE set-up.
  CoInitialize(nullptr);
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link)))) {
    return false;
  }
  bool result = false;
  link->SetPath(executable.c_str());
  link->SetDescription(gbk::fromUtf8("木棉").c_str());
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    wchar_t wide[MAX_PATH] = {};
    if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH) > 0 && SUCCEEDED(file->Save(wide, TRUE))) {
      result = true;
    }
    file->Release();
  }
  link->Release();
  return result;
}

#else

std::string entryPath() {
  std::string config;
  // Relative values of XDG_CONFIG_HOME are invalid and must be ignored.
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/') {
    config = xdg;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
    config = std::string(home) + "/.config";
  } else {
    return {};
  }
  return config + "/autostart/木棉.desktop";
}

bool isOn() {
  const std::string path = entryPath();
  return !path.empty() && access(path.c_str(), F_OK) == 0;
}

bool set(bool on, const std::string& executable) {
  const std::string path = entryPath();
  if (path.empty()) return false;
  if (!on) return unlink(path.c_str()) == 0;
  // An entry without a program would start nothing; better to say it failed.
  if (executable.empty()) return false;

  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  // Written beside the entry and renamed over it, so that a desktop session
  // reading the folder never sees half an entry.
  const std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << desktopEntryText(executable);
    out.flush();
    if (!out) {
      out.close();
      std::remove(temporary.c_str());
      return false;
    }
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

#endif

}  // namespace kiv::autostart
