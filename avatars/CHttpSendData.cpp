#include "avatars/CHttpSendData.h"

#include <curl/curl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <functional>
#include <mutex>

#include "platform/Gbk.h"
#include "avatars/CurlGlobal.h"

namespace kiv {

namespace {

// Streams head, file and trailer to libcurl, never more than announced.
struct BodySource {
  const std::string* head = nullptr;
  const std::string* trailer = nullptr;
  std::FILE* file = nullptr;
  std::uint64_t fileLeft = 0;
  std::size_t headDone = 0;
  std::size_t trailerDone = 0;
  bool fileFailed = false;
};

std::size_t copyPiece(const std::string& piece, std::size_t& done, char* out, std::size_t room) {
  const std::size_t n = std::min(room, piece.size() - done);
  std::copy_n(piece.data() + done, n, out);
  done += n;
  return n;
}

std::size_t readBody(char* out, std::size_t size, std::size_t count, void* user) {
  auto* source = static_cast<BodySource*>(user);
  const std::size_t room = size * count;
  if (source->headDone < source->head->size()) return copyPiece(*source->head, source->headDone, out, room);
  if (source->fileLeft > 0) {
    // The file was measured before the request started; if it has shrunk or
    // a read fails now, the announced length can no longer be met.
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(source->fileLeft, std::min<std::size_t>(room, 8192)));
    const std::size_t got = std::fread(out, 1, want, source->file);
    if (got == 0) {
      source->fileFailed = true;
      return CURL_READFUNC_ABORT;
    }
    source->fileLeft -= got;
    return got;
  }
  return copyPiece(*source->trailer, source->trailerDone, out, room);
}

std::size_t collectResponse(char* data, std::size_t size, std::size_t count, void* user) {
  auto* buffer = static_cast<std::vector<char>*>(user);
  const std::size_t n = size * count;
  // A host that answers without end is not buffered without end: the
  // exchange breaks off (0 tells libcurl so).
  if (n > CHttpSendData::kMaxResponseBytes - buffer->size()) return 0;
  buffer->insert(buffer->end(), data, data + n);
  return n;
}

int abortWhenCancelled(void* cancel, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  const auto& cancelled = *static_cast<const std::function<bool()>*>(cancel);
  return cancelled && cancelled() ? 1 : 0;
}

// A file's size, 0 when it does not exist (or is no regular file).
std::uint64_t fileSizeOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return 0;
  return static_cast<std::uint64_t>(info.st_size);
}

std::string fileNameText(const std::string& path) {
#ifdef _WIN32
  return path;  // already in the system code page
#else
  return gbk::fromUtf8(path);  // file names are UTF-8 here; the form carries GBK
#endif
}

}  // namespace

CHttpSendData::CHttpSendData() {
  curl::initOnce();
}

CHttpSendData::~CHttpSendData() = default;

int CHttpSendData::AddTextField(const char* name, std::string_view value) {
  if (name == nullptr || *name == '\0') return 0;
  bodyHead_ += "--";
  bodyHead_ += kBoundary;
  bodyHead_ += "\r\nContent-Disposition: form-data; name=\"";
  bodyHead_ += name;
  bodyHead_ += "\"\r\n\r\n";
  bodyHead_ += value;
  bodyHead_ += "\r\n";
  return 1;
}

int CHttpSendData::AddNumberField(const char* name, int value) {
  return AddTextField(name, std::to_string(value));
}

std::string CHttpSendData::requestHeaders() {
  std::string text =
      "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/xaml+xml,*/*\r\n"
      "Accept-Encoding: gzip, deflate\r\n"
      "Accept-Language: zh-cn\r\n"
      "Content-Type: multipart/form-data; boundary=";
  text += kBoundary;
  text += "\r\nCache-Control: no-cache\r\n\r\n";
  return text;
}

std::string CHttpSendData::trailer() {
  std::string text = "\r\n--";
  text += kBoundary;
  text += "\r\nContent-Disposition: form-data; name=\"Submit\"\r\n\r\nsubmit\r\n--";
  text += kBoundary;
  text += "--";
  return text;
}

std::string CHttpSendData::contentTypeLine(std::string_view filePath) {
  const auto dot = filePath.rfind('.');
  std::string extension(dot == std::string_view::npos ? filePath : filePath.substr(dot + 1));
  for (char& c : extension) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (extension == "JPG" || extension == "JPEG") return "Content-Type: image/pjpeg\r\n\r\n";
  if (extension == "GIF") return "Content-Type: image/gif\r\n\r\n";
  if (extension == "PNG") return "Content-Type: image/x-png\r\n\r\n";
  return "Content-Type: application/octet-stream\r\n\r\n";
}

std::string CHttpSendData::filePartHeader(const std::string& filePath) {
  std::string text = "--";
  text += kBoundary;
  text += "\r\nContent-Disposition: form-data; name=\"filename\"; filename=\"";
  text += fileNameText(filePath);
  text += "\"\r\n";
  text += contentTypeLine(filePath);
  return text;
}

int CHttpSendData::Send(const std::string& filePath, const char** response, std::size_t* responseLength) {
  sendBuffer_.clear();
  const std::uint64_t fileSize = fileSizeOf(filePath);
  bodyHead_ += filePartHeader(filePath);
  const std::string tail = trailer();

  BodySource source;
  source.head = &bodyHead_;
  source.trailer = &tail;
  source.fileLeft = fileSize;
  if (fileSize > 0) {
    source.file = std::fopen(filePath.c_str(), "rb");
    if (source.file == nullptr) return kNetworkError;
  }

  CURL* curl = curl_easy_init();
  if (curl == nullptr) {
    if (source.file != nullptr) std::fclose(source.file);
    return kOpenFailed;
  }
  std::string relative = path_;
  while (!relative.empty() && relative.front() == '/') relative.erase(0, 1);
  const std::string url = "http://" + host_ + ":" + std::to_string(port_) + "/" + relative;

  // The headers are the ones requestHeaders() shows, one line each.
  curl_slist* headers = nullptr;
  const std::string headerText = requestHeaders();
  for (std::size_t start = 0, end; (end = headerText.find("\r\n", start)) != std::string::npos; start = end + 2) {
    if (end > start) headers = curl_slist_append(headers, headerText.substr(start, end - start).c_str());
  }
  headers = curl_slist_append(headers, "Expect:");  // send the body at once, as the form server expects

  const curl_off_t announced = static_cast<curl_off_t>(bodyHead_.size() + fileSize + tail.size());
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_PROXY, "");
  curl_easy_setopt(curl, CURLOPT_POST, 1L);
  curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, announced);
  curl_easy_setopt(curl, CURLOPT_READFUNCTION, readBody);
  curl_easy_setopt(curl, CURLOPT_READDATA, &source);
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collectResponse);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sendBuffer_);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, connectTimeoutMs_);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, totalTimeoutMs_);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, abortWhenCancelled);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &cancelled_);

  const CURLcode code = curl_easy_perform(curl);
  long httpStatus = 0;
  curl_off_t connectTime = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &httpStatus);
  curl_easy_getinfo(curl, CURLINFO_CONNECT_TIME_T, &connectTime);
  curl_easy_cleanup(curl);
  curl_slist_free_all(headers);
  if (source.file != nullptr) std::fclose(source.file);

  int status = kSent;
  if (code == CURLE_URL_MALFORMAT || code == CURLE_UNSUPPORTED_PROTOCOL) {
    status = kOpenFailed;
  } else if (code == CURLE_COULDNT_CONNECT || code == CURLE_COULDNT_RESOLVE_HOST ||
             (code == CURLE_OPERATION_TIMEDOUT && connectTime == 0)) {
    status = kNoConnection;
  } else if (code != CURLE_OK || source.fileFailed) {
    status = kNetworkError;
  } else if (httpStatus != 200) {
    status = kBadStatus;
  }
  if (status != kSent) {
    sendBuffer_.clear();
    return status;
  }
  if (response != nullptr) *response = sendBuffer_.data();
  if (responseLength != nullptr) *responseLength = sendBuffer_.size();
  return status;
}

}  // namespace kiv
