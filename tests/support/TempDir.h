#pragma once

#include <string>

namespace kiv::test {

// A fresh directory under the system temporary directory, removed with all its
// contents when the object goes away. path() ends without a separator.
class TempDir {
 public:
  explicit TempDir(const std::string& prefix = "kiv-test");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // path() followed by "/" and the given name.
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Sets an environment variable for the lifetime of the object and restores the
// previous value (or its absence) afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value);  // value nullptr: unset
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::string old_;
  bool hadOld_ = false;
};

}  // namespace kiv::test
