#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "support/TempDir.h"

namespace kiv::test {

// A program directory of its own for one test, made the program's home
// through KIV_HOME while the object lives.
//
// It lies on tmpfs when the machine has one: every committed SQLite statement
// syncs the file, which costs tens of milliseconds per row on a disk and
// would make the many-row tests crawl without testing anything more.
class StoreHome {
 public:
  // `name` is the program directory's name below the temporary directory.
  explicit StoreHome(const std::string& name = "home") {
    if (std::filesystem::is_directory("/dev/shm")) {
      ScopedEnv tmpfs("TMPDIR", "/dev/shm");
      root_ = std::make_unique<TempDir>("kiv-store");
    } else {
      root_ = std::make_unique<TempDir>("kiv-store");
    }
    dir_ = root_->file(name);
    std::filesystem::create_directories(dir_);
    home_ = std::make_unique<ScopedEnv>("KIV_HOME", dir_.c_str());
  }

  // The program directory, ending with "/".
  std::string path() const { return dir_ + "/"; }
  // A path outside the program directory, in the same temporary tree.
  std::string scratch(const std::string& name) const { return root_->file(name); }

 private:
  std::unique_ptr<TempDir> root_;
  std::string dir_;
  std::unique_ptr<ScopedEnv> home_;
};

}  // namespace kiv::test
