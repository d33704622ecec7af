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

std::optional<MultipartForm> MultipartForm::parse(std::string_view contentType, std::string_view body) {
  if (lower(trim(contentType.substr(0, contentType.find(';')))) != "multipart/form-data") return std::nullopt;
  const auto boundary = parameter(contentType, "boundary");
  if (!boundary || boundary->empty() || boundary->size() > 200) return std::nullopt;
  const std::string delimiter = "--" + *boundary;

  MultipartForm form;
  // The body starts with the first delimiter (a preamble is allowed).
  std::size_t at = body.find(delimiter);
  if (at == std::string_view::npos) return std::nullopt;
  at += delimiter.size();
  for (;;) {
    // After a delimiter: "--" ends the body, otherwise a line break and a part.
    if (body.substr(at, 2) == "--") return form;
    if (body.substr(at, 2) != "\r\n") return std::nullopt;
    at += 2;
    const std::size_t headersEnd = body.find("\r\n\r\n", at);
    if (headersEnd == std::string_view::npos) return std::nullopt;
    const std::string_view headers = body.substr(at, headersEnd - at);
    const std::size_t contentStart = headersEnd + 4;
    const std::size_t contentEnd = body.find("\r\n" + delimiter, contentStart);
    if (contentEnd == std::string_view::npos) return std::nullopt;
    const std::string_view content = body.substr(contentStart, contentEnd - contentStart);

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
    if (!name) return std::nullopt;
    if (fileName) {
      if (form.file_) return std::nullopt;  // one picture per upload
      form.file_ = File{*name, *fileName, type, std::string(content)};
    } else {
      form.fields_[*name] = std::string(content);
    }
    at = contentEnd + 2 + delimiter.size();
  }
}

std::optional<std::string> MultipartForm::field(const std::string& name) const {
  const auto found = fields_.find(name);
  if (found == fields_.end()) return std::nullopt;
  return found->second;
}

}  // namespace kiv::server
