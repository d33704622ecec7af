#include "server/MultipartForm.h"

#include <algorithm>
#include <cctype>

namespace kiv::server {

namespace {

std::string lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
  return out;
}

std::string_view trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// The value of parameter `name` in a header value such as
// `form-data; name="x"; filename="C:\a\b.jpg"`. Quoted values run to the next
// quote (browsers and our own client send Windows paths unescaped).
std::optional<std::string> parameter(std::string_view header, std::string_view name) {
  std::size_t at = 0;
  while (at < header.size()) {
    const std::size_t semi = header.find(';', at);
    if (semi == std::string_view::npos) break;
    std::size_t start = semi + 1;
    while (start < header.size() && header[start] == ' ') ++start;
    const std::size_t eq = header.find('=', start);
    if (eq == std::string_view::npos) break;
    const std::string key = lower(trim(header.substr(start, eq - start)));
    std::size_t valueStart = eq + 1;
    std::string value;
    std::size_t next;
    if (valueStart < header.size() && header[valueStart] == '"') {
      const std::size_t close = header.find('"', valueStart + 1);
      if (close == std::string_view::npos) return std::nullopt;
      value = std::string(header.substr(valueStart + 1, close - valueStart - 1));
      next = close + 1;
    } else {
      next = header.find(';', valueStart);
      value = std::string(
          trim(header.substr(valueStart, next == std::string_view::npos ? std::string_view::npos : next - valueStart)));
    }
    if (key == name) return value;
    if (next == std::string_view::npos) break;
    at = next;
  }
  return std::nullopt;
}

}  // namespace

std::optional<MultipartForm> MultipartForm::start(std::string_view contentType, Limits limits) {
  if (lower(trim(contentType.substr(0, contentType.find(';')))) != "multipart/form-data") return std::nullopt;
  const auto boundary = parameter(contentType, "boundary");
  if (!boundary || boundary->empty() || boundary->size() > 200) return std::nullopt;
  return MultipartForm("--" + *boundary, limits);
}

std::optional<MultipartForm> MultipartForm::parse(std::string_view contentType, std::string_view body) {
  auto form = start(contentType, Limits{});
  if (!form) return std::nullopt;
  auto progress = form->feed(body);
  while (progress == Progress::kFileStarts) progress = form->feed({});
  if (progress != Progress::kDone) return std::nullopt;
  return form;
}

MultipartForm::Progress MultipartForm::feed(std::string_view data) {
  if (state_ == State::kBad) return Progress::kBad;
  if (state_ == State::kDone) return Progress::kDone;  // the epilogue is ignored
  buffer_.append(data);
  for (;;) {
    const State before = state_;
    const std::size_t left = buffer_.size();
    const Progress progress = step();
    if (progress != Progress::kMore) return progress;
    if (state_ == before && buffer_.size() == left) return Progress::kMore;  // needs more bytes
  }
}

MultipartForm::Progress MultipartForm::bad() {
  state_ = State::kBad;
  buffer_.clear();
  return Progress::kBad;
}

MultipartForm::Progress MultipartForm::step() {
  switch (state_) {
    case State::kPreamble: {
      const std::size_t at = buffer_.find(delimiter_);
      if (at == std::string::npos) {
        // A preamble is allowed but not kept; a long one is no upload.
        if (buffer_.size() > limits_.headerBytes) return bad();
        return Progress::kMore;
      }
      buffer_.erase(0, at + delimiter_.size());
      state_ = State::kAfterDelimiter;
      return Progress::kMore;
    }
    case State::kAfterDelimiter:
      if (buffer_.size() < 2) return Progress::kMore;
      if (buffer_.compare(0, 2, "--") == 0) {
        state_ = State::kDone;
        buffer_.clear();
        return Progress::kDone;
      }
      if (buffer_.compare(0, 2, "\r\n") != 0) return bad();
      buffer_.erase(0, 2);
      state_ = State::kHeaders;
      return Progress::kMore;
    case State::kHeaders: {
      const std::size_t end = buffer_.find("\r\n\r\n");
      if (end == std::string::npos) return buffer_.size() > limits_.headerBytes ? bad() : Progress::kMore;
      if (end > limits_.headerBytes || ++parts_ > limits_.parts) return bad();
      if (!startPart(std::string_view(buffer_).substr(0, end))) return bad();
      buffer_.erase(0, end + 4);
      scanFrom_ = 0;
      state_ = State::kContent;
      return partName_ ? Progress::kMore : Progress::kFileStarts;
    }
    case State::kContent: {
      const std::string closing = "\r\n" + delimiter_;
      const std::size_t at = buffer_.find(closing, scanFrom_);
      if (at == std::string::npos) {
        if (partName_ && buffer_.size() > limits_.fieldBytes + closing.size()) return bad();
        scanFrom_ = buffer_.size() >= closing.size() ? buffer_.size() - closing.size() + 1 : 0;
        return Progress::kMore;
      }
      if (partName_) {
        if (at > limits_.fieldBytes) return bad();
        fields_[*partName_] = buffer_.substr(0, at);
      } else {
        file_->data = buffer_.substr(0, at);
      }
      buffer_.erase(0, at + closing.size());
      state_ = State::kAfterDelimiter;
      return Progress::kMore;
    }
    case State::kDone:
      return Progress::kDone;
    case State::kBad:
      return Progress::kBad;
  }
  return Progress::kBad;
}

bool MultipartForm::startPart(std::string_view headers) {
  std::optional<std::string> name;
  std::optional<std::string> fileName;
  std::string type;
  std::size_t line = 0;
  while (line <= headers.size()) {
    std::size_t end = headers.find("\r\n", line);
    if (end == std::string_view::npos) end = headers.size();
    const std::string_view header = headers.substr(line, end - line);
    const std::size_t colon = header.find(':');
    if (colon != std::string_view::npos) {
      const std::string key = lower(trim(header.substr(0, colon)));
      const std::string_view value = trim(header.substr(colon + 1));
      if (key == "content-disposition") {
        name = parameter(value, "name");
        fileName = parameter(value, "filename");
      } else if (key == "content-type") {
        type = std::string(value);
      }
    }
    line = end + 2;
  }
  if (!name) return false;
  if (fileName) {
    if (file_) return false;  // one picture per upload
    file_ = File{*name, *fileName, type, {}};
    partName_.reset();
  } else {
    partName_ = *name;
  }
  return true;
}

std::optional<std::string> MultipartForm::field(const std::string& name) const {
  const auto found = fields_.find(name);
  if (found == fields_.end()) return std::nullopt;
  return found->second;
}

}  // namespace kiv::server
