#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

// The byte layer every packet is built on: the 24-byte header, big-endian
// integers, fixed-width GBK text fields and the pairing of answers with
// requests. Nothing here allocates per packet.
namespace kiv {

inline constexpr std::size_t kHeaderSize = 24;
inline constexpr std::size_t kMaxPacketSize = 9012;
inline constexpr std::uint32_t kResponseFlag = 0x80000000u;
// The longest text a SendMessageRequest carries.
inline constexpr std::size_t kMaxMessageText = 3000;

// Header field offsets.
inline constexpr std::size_t kLengthOffset = 0;
inline constexpr std::size_t kCommandOffset = 4;
inline constexpr std::size_t kAccountHighOffset = 8;
inline constexpr std::size_t kAccountLowOffset = 12;
inline constexpr std::size_t kTimeStampOffset = 16;
inline constexpr std::size_t kSequenceOffset = 20;
// Bytes 8..23 pair an answer with its request.
inline constexpr std::size_t kKeyOffset = 8;
inline constexpr std::size_t kKeySize = 16;

// Big-endian integers at a byte offset.
void putU32(std::uint8_t* packet, std::size_t offset, std::uint32_t value);
void putU16(std::uint8_t* packet, std::size_t offset, std::uint16_t value);
std::uint32_t getU32(const std::uint8_t* packet, std::size_t offset);
std::uint16_t getU16(const std::uint8_t* packet, std::size_t offset);

// Bounded string copy: the text and its terminating NUL fit in `width`, so at
// most width - 1 bytes are written (cut so that no two-byte GBK character is
// split). The rest of the field is left as it is (zero in a fresh packet).
void putBounded(std::uint8_t* packet, std::size_t offset, std::size_t width, std::string_view gbk);

// Clipped copy: the first min(length, width) bytes (again without splitting a
// character); a text that fills the field exactly has no terminator.
void putClipped(std::uint8_t* packet, std::size_t offset, std::size_t width, std::string_view gbk);

// A text field: at most `width` bytes, up to the first NUL.
std::string getText(const std::uint8_t* packet, std::size_t offset, std::size_t width);

// The length the header of request `command` carries; 0 for a code the
// client never sends. SendMessageRequest (6) has the variable length
// 33 + text length, computed by its builder; this returns the base 33.
std::uint32_t requestLength(std::uint32_t command);

// The header time stamp: "%m%d%H%M%S" of the local time read as a decimal
// number (1 January 00:00:00 is 101000000).
std::uint32_t timeStampOf(const std::tm& local);

// A take-and-advance counter starting at 1. The process has one for every
// connection-bound header and a separate one for the SMS connection.
class SequenceCounter {
 public:
  std::uint32_t take() { return next_.fetch_add(1, std::memory_order_relaxed); }

 private:
  std::atomic<std::uint32_t> next_{1};
};
SequenceCounter& processSequence();
SequenceCounter& smsSequence();

// The account number: the phone text read as an unsigned 64-bit decimal
// integer (digits up to the first non-digit), split into two 32-bit words.
struct AccountWords {
  std::uint32_t high = 0;
  std::uint32_t low = 0;
};
AccountWords accountFromPhone(std::string_view phone);

// Writes the six header fields into bytes 0..23.
void writeHeader(std::uint8_t* packet, std::uint32_t length, std::uint32_t command, AccountWords account,
                 std::uint32_t timeStamp, std::uint32_t sequence);

// The 16 bytes 8..23 of a header in host form: what a client stamps on a
// request and what the server copies into the answer.
struct HeaderKey {
  AccountWords account;
  std::uint32_t timeStamp = 0;
  std::uint32_t sequence = 0;
};

// A fresh key for a request: the account, the time stamp of `local` and the
// next value of `counter`.
HeaderKey freshKey(AccountWords account, const std::tm& local, SequenceCounter& counter = processSequence());

// The key of a received packet (it must hold 24 bytes).
HeaderKey keyOf(const std::uint8_t* packet);

inline void writeHeader(std::uint8_t* packet, std::uint32_t length, std::uint32_t command, const HeaderKey& key) {
  writeHeader(packet, length, command, key.account, key.timeStamp, key.sequence);
}

// Copies bytes 8..23 of `request` into `response` (what a server does).
void copyKey(const std::uint8_t* request, std::uint8_t* response);

// True when bytes 8..23 of both packets are equal.
bool pairs(const std::uint8_t* request, const std::uint8_t* response);

// The command at offset 4 (host byte order). The packet must hold 8 bytes.
inline std::uint32_t commandOf(const std::uint8_t* packet) {
  return getU32(packet, kCommandOffset);
}

}  // namespace kiv
