#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kiv {

// One multipart/form-data upload to the avatar web server: text and number
// fields, then one file part, POSTed with the exact length announced up
// front. The body is composed here byte for byte (the web server's form
// parser is old and picky about the layout); libcurl only carries it.
//
// Lives for one upload; the response it hands out ends with it.
class CHttpSendData {
 public:
  // Results of Send.
  static constexpr int kSent = 100;          // HTTP 200, response read
  static constexpr int kNoConnection = 101;  // the host could not be reached
  static constexpr int kOpenFailed = 102;    // the request could not be set up
  static constexpr int kBadStatus = 104;     // the server answered other than 200
  static constexpr int kNetworkError = 500;  // the exchange broke off, or the file could not be read
  // The most of the response body kept; a longer answer breaks the exchange
  // off (kNetworkError).
  static constexpr std::size_t kMaxResponseBytes = 64 * 1024;

  static constexpr std::string_view kBoundary = "-------------2389jhrwfjsjd9823";

  CHttpSendData();
  virtual ~CHttpSendData();
  CHttpSendData(const CHttpSendData&) = delete;
  CHttpSendData& operator=(const CHttpSendData&) = delete;

  void setHost(std::string host) { host_ = std::move(host); }
  void setPath(std::string path) { path_ = std::move(path); }
  void setPort(std::uint16_t port) { port_ = port; }
  const std::string& host() const { return host_; }
  const std::string& path() const { return path_; }
  std::uint16_t port() const { return port_; }

  // Time limits of one Send, in milliseconds. Send blocks its caller, so an
  // unreachable host must not hold it for long.
  void setTimeouts(long connectMs, long totalMs) {
    connectTimeoutMs_ = connectMs;
    totalTimeoutMs_ = totalMs;
  }

  // Asked while the exchange runs; true breaks it off (kNetworkError), so a
  // program that ends need not wait for a slow host.
  void setCancel(std::function<bool()> cancelled) { cancelled_ = std::move(cancelled); }

  // Append one form field to the body head. 1; 0 (nothing appended) when the
  // name is missing. Values are written as they are (GBK).
  int AddTextField(const char* name, std::string_view value);
  int AddNumberField(const char* name, int value);

  // Attaches the file at `filePath` (a local path) as the part "filename" and
  // POSTs the form. On kSent, *response and *responseLength (either may be
  // null) describe the response body, owned by this object. A missing file is
  // sent as an empty part; a file that exists but cannot be read in full
  // fails with kNetworkError rather than sending a body shorter than
  // announced.
  int Send(const std::string& filePath, const char** response = nullptr, std::size_t* responseLength = nullptr);

  // The pieces of the request as Send composes them, for inspection.
  const std::string& bodyHead() const { return bodyHead_; }
  static std::string requestHeaders();
  static std::string trailer();
  // The file part's header for a path: disposition with the path as file
  // name (GBK) and the content type chosen by the path's extension.
  static std::string filePartHeader(const std::string& filePath);
  // "Content-Type: ...\r\n\r\n" for the text after the path's last '.' (the
  // whole path when it has none), compared without regard to case.
  static std::string contentTypeLine(std::string_view filePath);

 private:
  std::string host_ = "127.0.0.1";
  std::string path_ = "/posttest.asp";
  std::uint16_t port_ = 80;
  long connectTimeoutMs_ = 3000;
  long totalTimeoutMs_ = 60000;
  std::function<bool()> cancelled_;
  std::string bodyHead_;
  std::vector<char> sendBuffer_;
};

}  // namespace kiv
