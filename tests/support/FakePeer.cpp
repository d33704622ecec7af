#include "support/FakePeer.h"

#include "platform/TcpSocket.h"
#include "support/WaitFor.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

namespace kiv::test {
namespace {

// The support library sits below net/, so it reads the header itself.
constexpr std::size_t kHeader = 24;
constexpr std::size_t kMaxPacket = 9012;

std::uint32_t bigEndianAt(const std::uint8_t* p, std::size_t offset) {
  return static_cast<std::uint32_t>(p[offset]) << 24 | static_cast<std::uint32_t>(p[offset + 1]) << 16 |
         static_cast<std::uint32_t>(p[offset + 2]) << 8 | p[offset + 3];
}

}  // namespace

FakePeer::FakePeer() {
  listener_ = TcpSocket::listenOnLoopback(8, port_);
  thread_ = std::thread([this] { run(); });
}

FakePeer::~FakePeer() {
  stop();
  stopListening();
  if (placeholder_ >= 0) ::close(placeholder_);
}

void FakePeer::stop() {
  quit_ = true;
  if (thread_.joinable()) thread_.join();
}

void FakePeer::setResponder(Responder responder) {
  std::lock_guard lock(mutex_);
  responder_ = std::move(responder);
}

void FakePeer::setCoalesce(bool on) {
  std::lock_guard lock(mutex_);
  coalesce_ = on;
}

void FakePeer::setSplitAt(std::size_t bytes) {
  std::lock_guard lock(mutex_);
  splitAt_ = bytes;
}

bool FakePeer::write(const Bytes& bytes) {
  std::lock_guard lock(mutex_);
  return connection_.isOpen() && connection_.sendAll(bytes.data(), bytes.size(), 2000);
}

void FakePeer::closeConnection() {
  std::lock_guard lock(mutex_);
  connection_.close();
  pending_.clear();
}

void FakePeer::stopListening() {
  std::unique_lock lock(mutex_);
  if (listener_ < 0) return;
  if (quit_ || !thread_.joinable()) {
    ::close(listener_);
    listener_ = -1;
  } else {
    // The peer's thread closes it between two polls: a socket closed while a
    // poll holds it would go on accepting until that poll ends.
    closeListener_ = true;
    listenerClosed_.wait(lock, [this] { return listener_ < 0; });
  }
  // Keep the port taken, bound but not listening, so that connecting to it
  // is refused for the rest of the test instead of reaching whatever other
  // test of a parallel run happens to listen on the freed port next.
  if (placeholder_ >= 0) return;
  placeholder_ = ::socket(AF_INET, SOCK_STREAM, 0);
  const int on = 1;
  ::setsockopt(placeholder_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port_);
  if (::bind(placeholder_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(placeholder_);
    placeholder_ = -1;
  }
}

int FakePeer::connections() const {
  std::lock_guard lock(mutex_);
  return connections_;
}

std::vector<FakePeer::Bytes> FakePeer::packets() const {
  std::lock_guard lock(mutex_);
  return received_;
}

std::vector<FakePeer::Bytes> FakePeer::packetsOf(std::uint32_t command) const {
  std::vector<Bytes> out;
  for (auto& p : packets())
    if (p.size() >= 8 && bigEndianAt(p.data(), 4) == command) out.push_back(std::move(p));
  return out;
}

bool FakePeer::waitForPackets(std::uint32_t command, std::size_t count, std::chrono::milliseconds timeout) const {
  return waitFor([&] { return countOf(command) >= count; }, timeout);
}

void FakePeer::writeAnswers(const std::vector<Bytes>& answers) {
  // Runs under mutex_.
  if (!connection_.isOpen() || answers.empty()) return;
  std::vector<Bytes> writes;
  if (coalesce_) {
    Bytes all;
    for (const auto& a : answers) all.insert(all.end(), a.begin(), a.end());
    writes.push_back(std::move(all));
  } else {
    writes = answers;
  }
  for (const auto& w : writes) {
    if (splitAt_ > 0 && splitAt_ < w.size()) {
      connection_.sendAll(w.data(), splitAt_, 2000);
      // Long enough for the client to read the first piece on its own.
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
      connection_.sendAll(w.data() + splitAt_, w.size() - splitAt_, 2000);
    } else {
      connection_.sendAll(w.data(), w.size(), 2000);
    }
  }
}

void FakePeer::handle(const Bytes& packet) {
  // Runs under mutex_.
  received_.push_back(packet);
  if (responder_) writeAnswers(responder_(packet));
}

void FakePeer::run() {
  std::uint8_t buffer[16384];
  while (!quit_) {
    pollfd fds[2];
    int n = 0;
    {
      std::lock_guard lock(mutex_);
      if (closeListener_ && listener_ >= 0) {
        ::close(listener_);
        listener_ = -1;
        listenerClosed_.notify_all();
      }
      if (listener_ >= 0) fds[n++] = pollfd{listener_, POLLIN, 0};
      if (connection_.isOpen()) fds[n++] = pollfd{connection_.fd(), POLLIN, 0};
    }
    if (n == 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      continue;
    }
    if (::poll(fds, n, 5) <= 0) continue;
    std::lock_guard lock(mutex_);
    for (int i = 0; i < n; ++i) {
      if (fds[i].revents == 0) continue;
      if (fds[i].fd == listener_) {
        const int fd = ::accept(listener_, nullptr, nullptr);
        if (fd < 0) continue;
        connection_ = TcpSocket::adopt(fd);
        pending_.clear();
        ++connections_;
      } else if (connection_.isOpen() && fds[i].fd == connection_.fd()) {
        const long got = connection_.receive(buffer, sizeof buffer);
        if (got <= 0) {
          connection_.close();
          pending_.clear();
          continue;
        }
        pending_.insert(pending_.end(), buffer, buffer + got);
        while (pending_.size() >= kHeader) {
          const std::uint32_t length = bigEndianAt(pending_.data(), 0);
          if (length < kHeader || length > kMaxPacket) {
            // Not a packet stream: keep the bytes as one record for the test to see.
            received_.push_back(pending_);
            pending_.clear();
            break;
          }
          if (pending_.size() < length) break;
          const Bytes packet(pending_.begin(), pending_.begin() + length);
          pending_.erase(pending_.begin(), pending_.begin() + length);
          handle(packet);
        }
      }
    }
  }
}

}  // namespace kiv::test
