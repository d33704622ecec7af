#pragma once

#include <cstddef>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace kiv::server {

// A multipart/form-data body: its text fields by name and the one file part.
// It is read piece by piece as the body arrives, so that the fields in front
// of the file (the credentials) can be checked before the file is kept, and
// a field or a number of parts beyond the limits ends it early.
class MultipartForm {
 public:
  struct File {
    std::string fieldName;
    std::string fileName;
    std::string contentType;
    std::string data;
  };
  struct Limits {
    std::size_t fieldBytes = std::numeric_limits<std::size_t>::max();  // one text field's value
    std::size_t parts = std::numeric_limits<std::size_t>::max();
    std::size_t headerBytes = 4096;  // one part's headers
  };
  enum class Progress {
    kMore,        // everything so far is fine; more is needed
    kFileStarts,  // the file part's headers are in (once): feed("") goes on
    kDone,        // the closing delimiter has come
    kBad,         // malformed, or beyond the limits
  };

  // A form to read with the boundary named in `contentType` (the request's
  // Content-Type header); nullopt when it is no form or names no boundary.
  static std::optional<MultipartForm> start(std::string_view contentType, Limits limits);
  // The next piece of the body.
  Progress feed(std::string_view data);

  // A whole body at once; nullopt unless it is a well-formed form.
  static std::optional<MultipartForm> parse(std::string_view contentType, std::string_view body);

  // The value of a text field, nullopt when it is absent.
  std::optional<std::string> field(const std::string& name) const;
  const std::optional<File>& file() const { return file_; }

 private:
  enum class State { kPreamble, kAfterDelimiter, kHeaders, kContent, kDone, kBad };
  MultipartForm(std::string delimiter, Limits limits) : delimiter_(std::move(delimiter)), limits_(limits) {}
  Progress step();
  Progress bad();
  bool startPart(std::string_view headers);

  std::string delimiter_;  // "--" and the boundary
  Limits limits_;
  State state_ = State::kPreamble;
  std::string buffer_;     // what has come and is not used yet
  std::size_t scanFrom_ = 0;
  std::size_t parts_ = 0;
  std::optional<std::string> partName_;  // the text field being read, if not the file
  std::map<std::string, std::string> fields_;
  std::optional<File> file_;
};

}  // namespace kiv::server
