#pragma once

#include <boost/thread/mutex.hpp>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "platform/Clock.h"

namespace kiv {

// The connection diagnostic log: one plain-text file per local day in the
// program's Log directory, named like 2010-6-9.log, every line starting with
// a time stamp like "2010-6-9 8:5:9 " (no leading zeros anywhere).
//
// A line is written whole: build it with line() and it goes to the file when
// the builder goes away, so lines of two threads never interleave. Failures
// (no directory, unwritable file) are swallowed; the next line tries again.
class Log {
 public:
  // Collects one line; writes it (time stamp first) when destroyed.
  class Line {
   public:
    explicit Line(Log& log) : log_(log) {}
    ~Line() { log_.writeLine(text_.str()); }
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;

    Line& operator<<(std::string_view text) {
      text_ << text;
      return *this;
    }
    Line& operator<<(const char* text) {
      text_ << text;
      return *this;
    }
    Line& operator<<(std::int64_t value) {
      text_ << value;
      return *this;
    }
    Line& operator<<(int value) { return *this << static_cast<std::int64_t>(value); }

   private:
    Log& log_;
    std::ostringstream text_;
  };

  // `directory`: where the day files go; empty means the Log directory of the
  // program directory (none when there is no program directory: then nothing
  // is written). The folder is made 0700, the files 0600. `clock` must
  // outlive the log. Nothing is created yet.
  explicit Log(std::string directory = {}, const Clock& clock = SystemClock::instance());
  virtual ~Log();
  Log(const Log&) = delete;
  Log& operator=(const Log&) = delete;

  // The text that begins every line, e.g. "2010-6-9 8:5:9 ".
  std::string timestamp() const;
  // The day file of the current local date (directory + "/2010-6-9.log").
  std::string dayFilePath() const;
  const std::string& directory() const { return directory_; }

  // Starts a line: log.line() << " LoginServer,try num:" << tries;
  Line line() { return Line(*this); }
  // Writes the time stamp, `text` and a newline, then flushes.
  void writeLine(std::string_view text);

 private:
  static std::string dayStamp(const std::tm& t);
  static std::string stampOf(const std::tm& t);
  void ensureDayFile(const std::tm& now);
  void openDayFile();

  std::ofstream stream_;
  boost::mutex mutex_;
  std::string currentDay_;
  std::string directory_;
  const Clock& clock_;
};

}  // namespace kiv
