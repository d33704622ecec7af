#include "net/Packet.h"

#include <cstring>

#include "platform/Gbk.h"

namespace kiv {

void putU32(std::uint8_t* p, std::size_t off, std::uint32_t v) {
  p[off] = static_cast<std::uint8_t>(v >> 24);
  p[off + 1] = static_cast<std::uint8_t>(v >> 16);
  p[off + 2] = static_cast<std::uint8_t>(v >> 8);
  p[off + 3] = static_cast<std::uint8_t>(v);
}

void putU16(std::uint8_t* p, std::size_t off, std::uint16_t v) {
  p[off] = static_cast<std::uint8_t>(v >> 8);
  p[off + 1] = static_cast<std::uint8_t>(v);
}

std::uint32_t getU32(const std::uint8_t* p, std::size_t off) {
  return (std::uint32_t{p[off]} << 24) | (std::uint32_t{p[off + 1]} << 16) | (std::uint32_t{p[off + 2]} << 8) |
         std::uint32_t{p[off + 3]};
}

std::uint16_t getU16(const std::uint8_t* p, std::size_t off) {
  return static_cast<std::uint16_t>((p[off] << 8) | p[off + 1]);
}

void putBounded(std::uint8_t* p, std::size_t off, std::size_t width, std::string_view gbk) {
  if (width == 0) return;
  const std::string_view text = gbk::cut(gbk.substr(0, gbk.find('\0')), width - 1);
  std::memcpy(p + off, text.data(), text.size());
  p[off + text.size()] = 0;
}

void putClipped(std::uint8_t* p, std::size_t off, std::size_t width, std::string_view gbk) {
  const std::string_view text = gbk::cut(gbk, width);
  std::memcpy(p + off, text.data(), text.size());
}

std::string getText(const std::uint8_t* p, std::size_t off, std::size_t width) {
  const auto* begin = reinterpret_cast<const char*>(p + off);
  const void* nul = std::memchr(begin, 0, width);
  return std::string(begin, nul ? static_cast<const char*>(nul) - begin : static_cast<std::ptrdiff_t>(width));
}

std::uint32_t requestLength(std::uint32_t command) {
  static constexpr std::uint32_t lengths[26] = {0, 66, 45, 28, 106, 42, 33, 24, 29, 28, 115, 32, 32,
                                                0, 28, 24, 24, 28,  28, 24, 24, 28, 28, 28,  29, 56};
  return command < 26 ? lengths[command] : 0;
}

std::uint32_t timeStampOf(const std::tm& t) {
  return static_cast<std::uint32_t>((t.tm_mon + 1) * 100000000u + t.tm_mday * 1000000u + t.tm_hour * 10000u +
                                    t.tm_min * 100u + t.tm_sec);
}

SequenceCounter& processSequence() {
  static SequenceCounter counter;
  return counter;
}

SequenceCounter& smsSequence() {
  static SequenceCounter counter;
  return counter;
}

AccountWords accountFromPhone(std::string_view phone) {
  std::uint64_t n = 0;
  for (char c : phone) {
    if (c < '0' || c > '9') break;
    n = n * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return {static_cast<std::uint32_t>(n >> 32), static_cast<std::uint32_t>(n)};
}

void writeHeader(std::uint8_t* p, std::uint32_t length, std::uint32_t command, AccountWords account,
                 std::uint32_t timeStamp, std::uint32_t sequence) {
  putU32(p, kLengthOffset, length);
  putU32(p, kCommandOffset, command);
  putU32(p, kAccountHighOffset, account.high);
  putU32(p, kAccountLowOffset, account.low);
  putU32(p, kTimeStampOffset, timeStamp);
  putU32(p, kSequenceOffset, sequence);
}

HeaderKey freshKey(AccountWords account, const std::tm& local, SequenceCounter& counter) {
  return {account, timeStampOf(local), counter.take()};
}

HeaderKey keyOf(const std::uint8_t* p) {
  return {{getU32(p, kAccountHighOffset), getU32(p, kAccountLowOffset)},
          getU32(p, kTimeStampOffset),
          getU32(p, kSequenceOffset)};
}

void copyKey(const std::uint8_t* request, std::uint8_t* response) {
  std::memcpy(response + kKeyOffset, request + kKeyOffset, kKeySize);
}

bool pairs(const std::uint8_t* request, const std::uint8_t* response) {
  return std::memcmp(request + kKeyOffset, response + kKeyOffset, kKeySize) == 0;
}

}  // namespace kiv
