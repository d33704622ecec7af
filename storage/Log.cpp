#include "storage/Log.h"

#include <boost/thread/lock_guard.hpp>
#include <filesystem>
#include <system_error>

#include "platform/ProgramPaths.h"

namespace kiv {

Log::Log(std::string directory, const Clock& clock)
    : directory_(directory.empty() ? paths::programDirectory() + "Log" : std::move(directory)), clock_(clock) {}

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
  std::error_code ec;
  if (!std::filesystem::exists(directory_, ec)) std::filesystem::create_directory(directory_, ec);
  stream_.clear();
  stream_.open(directory_ + "/" + currentDay_ + ".log", std::ios::out | std::ios::app);
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
