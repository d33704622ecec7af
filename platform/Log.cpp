#include "platform/Log.h"

#include <boost/thread/lock_guard.hpp>

#include "platform/PrivateFiles.h"
#include "platform/ProgramPaths.h"

namespace kiv {
namespace {

std::string programLogDirectory() {
  const std::string program = paths::programDirectory();
  return program.empty() ? std::string() : program + "Log";
}

}  // namespace

Log::Log(std::string directory, const Clock& clock)
    : directory_(directory.empty() ? programLogDirectory() : std::move(directory)), clock_(clock) {}

Log::~Log() {
  boost::lock_guard<boost::mutex> lock(mutex_);
  if (stream_.is_open()) stream_.close();
}

std::string Log::dayStamp(const std::tm& t) {
  return std::to_string(t.tm_year + 1900) + "-" + std::to_string(t.tm_mon + 1) + "-" + std::to_string(t.tm_mday);
}

std::string Log::stampOf(const std::tm& t) {
  return dayStamp(t) + " " + std::to_string(t.tm_hour) + ":" + std::to_string(t.tm_min) + ":" +
         std::to_string(t.tm_sec) + " ";
}

std::string Log::timestamp() const {
  return stampOf(clock_.localNow());
}

std::string Log::dayFilePath() const {
  return directory_ + "/" + dayStamp(clock_.localNow()) + ".log";
}

void Log::openDayFile() {
  if (directory_.empty()) return;  // no program directory: nowhere to write
  paths::makePrivateDirectory(directory_);
  const std::string file = directory_ + "/" + currentDay_ + ".log";
  // The log names accounts and servers: the user's eyes only.
  if (!paths::preparePrivateFile(file)) return;
  stream_.clear();
  stream_.open(file, std::ios::out | std::ios::app);
}

// Runs under the mutex, so two threads never close or open the file at once.
void Log::ensureDayFile(const std::tm& now) {
  const std::string today = dayStamp(now);
  if (today != currentDay_) {
    currentDay_ = today;
    if (stream_.is_open()) stream_.close();
    openDayFile();
  } else if (!stream_.is_open()) {
    // A day whose file could not be opened tries again with every line, so a
    // directory that appears later is picked up.
    openDayFile();
  }
}

void Log::writeLine(std::string_view text) {
  // One reading of the clock for both the file choice and the stamp, so a
  // line written across midnight lands in the file its stamp names.
  const std::tm now = clock_.localNow();
  std::string line = stampOf(now);
  line.append(text);
  line += '\n';
  boost::lock_guard<boost::mutex> lock(mutex_);
  ensureDayFile(now);
  if (!stream_.is_open()) return;
  stream_ << line;
  stream_.flush();
  if (!stream_) stream_.clear();  // a lost line must not silence the rest of the day
}

}  // namespace kiv
