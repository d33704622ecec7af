#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace kiv::server {

// A multipart/form-data body: its text fields by name and the one file part.
class MultipartForm {
 public:
  struct File {
    std::string fieldName;
    std::string fileName;
    std::string contentType;
    std::string data;
  };

  // Parses `body` with the boundary named in `contentType` (the request's
  // Content-Type header). nullopt when the header names no boundary or the
  // body is not a well-formed multipart body with that boundary.
  static std::optional<MultipartForm> parse(std::string_view contentType, std::string_view body);

  // The value of a text field, nullopt when it is absent.
  std::optional<std::string> field(const std::string& name) const;
  const std::optional<File>& file() const { return file_; }

 private:
  std::map<std::string, std::string> fields_;
  std::optional<File> file_;
};

}  // namespace kiv::server
