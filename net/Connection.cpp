#include "net/Connection.h"

#include <algorithm>
#include <cerrno>

#include "net/FriendListMessages.h"
#include "net/LoginMessages.h"
#include "net/LogoutMessages.h"
#include "net/NoticePollMessages.h"
#include "net/OwnProfileReceiver.h"
#include "net/ReceiverRegistry.h"
#include "net/UserInfoMessages.h"
#include "platform/Clock.h"
#include "platform/TcpSocket.h"

namespace kiv {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kSenderCycle{1000};
constexpr milliseconds kReceiverCycle{600};
constexpr milliseconds kSocketWait{1000};
constexpr milliseconds kConnectRetry{3000};
constexpr milliseconds kConnectTimeout{4000};

int waitMs(const Pauser& pauser, milliseconds duration) {
  return static_cast<int>(pauser.scaled(duration).count());
}

}  // namespace

Connection::Connection(const ConnectionOptions& o)
    : clock_(o.clock != nullptr ? *o.clock : SystemClock::instance()),
      registry_(o.registry != nullptr ? *o.registry : ReceiverRegistry::global()),
      pauser_(o.pauseScale),
      log_(o.logDirectory, clock_),
      session_(clock_, log_),
      socket_([this] { session_.signedOut(); }),
      threads_(pauser_) {}

void Connection::registerOwnProfileReceiver() {
  ownProfileHandle_ = registry_.add(std::make_shared<OwnProfileReceiver>(weak_from_this()));
}

void Connection::unregisterOwnProfileReceiver() {
  registry_.remove(ownProfileHandle_);
}

// Learns the own UserId, abandons the login when there is no profile, and
// passes the answer on to the login asker.
void Connection::ownProfileArrived(const PendingRequest& request, const std::uint8_t* response, std::uint32_t size,
                                   std::uint32_t command) {
  const UserInfoResponse profile = UserInfoResponse::read(response, size);
  if (command != UserInfoResponse::kCommand || profile.status != 0) {
    stop();
  } else {
    session_.setOwnUserId(profile.userId);
    if (const auto observer = observerNow()) observer->onOwnProfile(profile);
  }
  registry_.deliver(loginAsker_.load(), request, response, size, command);
}

void Connection::setServer(const std::string& address, std::uint16_t port) {
  std::lock_guard lock(configLock_);
  serverAddress_ = address;
  serverPort_ = port;
}

void Connection::setObserver(std::shared_ptr<NetObserver> observer) {
  std::lock_guard lock(configLock_);
  observer_ = std::move(observer);
}

std::shared_ptr<NetObserver> Connection::observerNow() const {
  std::lock_guard lock(configLock_);
  return observer_;
}

void Connection::stop() {
  stopped_ = true;
  pauser_.interrupt();
}

bool Connection::sendLogout(bool final) {
  const auto packet = session_.logoutPacket();
  const LogoutState before = session_.announceLogout(final);
  if (send(packet.data(), packet.size())) return true;
  session_.logoutNotSent(before);
  return false;
}

// ---------------------------------------------------------------- sender

int Connection::connectOnce() {
  session_.signedOut();
  std::string address;
  std::uint16_t port;
  {
    std::lock_guard lock(configLock_);
    address = serverAddress_;
    port = serverPort_;
  }
  const int error = socket_.connect(address, port, std::max(100, waitMs(pauser_, kConnectTimeout)));
  const int tries = session_.countTry();
  log_.line() << " ConnectServer,try num:" << tries << ",return=" << (error == 0 ? 0 : -1);
  if (session_.triesExhausted()) stop();
  return error;
}

void Connection::loginAttempt() {
  const auto login = session_.nextLoginAttempt();
  if (session_.triesExhausted()) stop();
  send(login.data(), login.size());
}

void Connection::signedInCycle(std::uint64_t gen, PendingRequest* due) {
  switch (session_.nextDuty()) {
    case SignInSession::Duty::kListsAndPoll: {
      send(session_.groupListPoll(), kHeaderSize);
      const auto friends = FriendListRequest{}.build(session_.newKey());
      table_.enqueue(static_cast<int>(friends.size()), mainAsker_.load(), friends.data());
      // This is a tenth cycle too: without its poll, every two minutes twenty
      // seconds would pass without one, and a message sent then would wait
      // twice as long as any other.
      send(session_.noticePoll(), kHeaderSize);
      return;
    }
    case SignInSession::Duty::kPoll:
      send(session_.noticePoll(), kHeaderSize);
      return;
    case SignInSession::Duty::kResend:
      resendPass(gen, due);
      return;
  }
}

// The pass writes one request a second, and looks at the table again before
// each: an answer may have come meanwhile, and a request queued during the
// pass goes out in it. The first pass after a sign-in writes the lists one
// by one; a fetch for the messages that waited at sign-in, queued behind
// them, would otherwise wait for the pass to end and then for a cycle more.
void Connection::resendPass(std::uint64_t gen, PendingRequest* due) {
  const auto stampNow = [this] { return static_cast<std::int32_t>(timeStampOf(clock_.localNow())); };
  while (table_.due(stampNow(), due) > 0) {
    if (!send(due[0].packet, static_cast<std::size_t>(due[0].length))) return;
    // Stamped when written: in a long pass the last ones go out many seconds
    // after the first, and their repeat is owed that much later.
    table_.written(due[0], stampNow());
    if (!pauser_.pause(milliseconds(1000)) || !live(gen)) return;
  }
}

void Connection::senderMain(std::uint64_t gen) {
  const auto due = std::make_unique<PendingRequest[]>(RequestTable::kSlots);
  while (live(gen)) {
    if (!pauser_.pause(kSenderCycle) || !live(gen)) break;
    // Going offline: the goodbye thread has the connection; signing in
    // again behind the user's back would leave them online on the server.
    if (leaving_) continue;
    if (!socket_.connected()) {
      if (connectOnce() != 0) {
        pauser_.pause(kConnectRetry);
        continue;
      }
      if (!live(gen)) break;
      socket_.setConnected(true);
    }
    auto sock = socket_.current();
    const TcpSocket::Wait wait = sock ? sock->waitWritable(waitMs(pauser_, kSocketWait)) : TcpSocket::kFailed;
    if (wait == TcpSocket::kFailed) {
      // A broken socket: say goodbye if it still takes it, then start over.
      sendLogout(false);
      pauser_.pause(milliseconds(1000));
      session_.signedOut();
      socket_.drop(sock);
      pauser_.pause(milliseconds(500));
      continue;
    }
    // Let go of it: the writes below fetch the connection themselves, and a
    // connection dropped meanwhile must not stay open for a whole pass.
    sock.reset();
    if (wait == TcpSocket::kTimeout || !live(gen)) continue;
    if (!session_.loggedIn()) {
      loginAttempt();
      pauser_.pause(milliseconds(1000));
      continue;
    }
    signedInCycle(gen, due.get());
  }
}

// ---------------------------------------------------------------- receiver

bool Connection::onLoginAnswer(std::uint64_t gen, const std::uint8_t* packet, std::size_t size) {
  const int result = LoginResponse::read(packet, size).result;
  const auto observer = observerNow();
  switch (session_.onLoginAnswer(result)) {
    case SignInSession::LoginOutcome::kSignedIn: {
      const auto profile = UserInfoRequest{session_.ownUserId()}.build(session_.newKey());
      table_.enqueue(static_cast<int>(profile.size()), ownProfileHandle_, profile.data());
      return threads_.callOut(gen, [&] {
        if (observer) observer->onLoginSucceeded();
      });
    }
    case SignInSession::LoginOutcome::kTryAgain:
      return true;  // another attempt next cycle
    case SignInSession::LoginOutcome::kRefused:
      break;
  }
  const std::string text = session_.refusalText(result);
  if (!threads_.callOut(gen, [&] {
        if (observer) observer->onLoginRefused(result, text);
      }))
    return false;
  stop();
  return true;
}

Connection::Next Connection::dispatch(std::uint64_t gen, const std::uint8_t* packet, std::size_t size,
                                      PendingRequest& answered) {
  const std::uint32_t command = commandOf(packet);
  switch (command) {
    case 0:
      return Next::kDropped;
    case LoginResponse::kCommand:
      return onLoginAnswer(gen, packet, size) ? Next::kGoOn : Next::kEnd;
    case NoticePollResponse::kCommand: {
      const auto poll = NoticePollResponse::read(packet, size);
      if (poll.status != 0) return Next::kGoOn;
      const auto observer = observerNow();
      for (const auto& notice : poll.notices)
        if (!threads_.callOut(gen, [&] {
              if (observer) observer->onNotice(notice);
            }))
          return Next::kEnd;
      return Next::kGoOn;
    }
    case LogoutResponse::kCommand:
      if (session_.onLogoutAnswer()) stop();
      return Next::kGoOn;
    case GroupListResponse::kCommand: {
      const auto groups = GroupListResponse::read(packet, size);
      const auto observer = observerNow();
      return threads_.callOut(gen, [&] {
        if (observer) observer->onGroupList(groups);
      })
                 ? Next::kGoOn
                 : Next::kEnd;
    }
    default: {
      if (!table_.takeAnswered(packet, answered)) return Next::kGoOn;  // pairs with nothing
      const auto length = static_cast<std::uint32_t>(size);
      return threads_.callOut(gen, [&] { registry_.deliver(answered.asker, answered, packet, length, command); })
                 ? Next::kGoOn
                 : Next::kEnd;
    }
  }
}

void Connection::endOfReceiveThread(std::uint64_t gen) {
  if (!threads_.current(gen)) return;  // Start or Shutdown took over; nothing to tell
  stop();
  const LogoutState state = session_.logoutState();
  if (state == LogoutState::kFinal) return;  // the program asked for it
  const auto observer = observerNow();
  threads_.callOut(gen, [&] {
    if (observer) observer->onConnectionEnded(state);
  });
}

Connection::Next Connection::deliver(std::uint64_t gen, StreamFramer& framer, const std::uint8_t* data,
                                     std::size_t size, std::uint8_t* packet, PendingRequest& answered) {
  framer.feed(data, size);
  std::size_t length = 0;
  StreamFramer::Status status;
  while ((status = framer.next(packet, length)) == StreamFramer::Status::kPacket) {
    // Once stopped (refused, signed in elsewhere) the rest of the read is not
    // acted upon: a second refusal in the same read would be told twice.
    if (stopped_) return Next::kGoOn;
    const Next next = dispatch(gen, packet, length, answered);
    if (next != Next::kGoOn) return next;
  }
  return status == StreamFramer::Status::kBroken ? Next::kDropped : Next::kGoOn;
}

void Connection::disconnect(const std::shared_ptr<TcpSocket>& sock) {
  socket_.drop(sock);
  pauser_.pause(milliseconds(1000));
}

void Connection::receiveMain(std::uint64_t gen) {
  const auto buffer = std::make_unique<std::uint8_t[]>(kMaxPacketSize);
  const auto packet = std::make_unique<std::uint8_t[]>(kMaxPacketSize);
  const auto answered = std::make_unique<PendingRequest>();
  StreamFramer framer;
  // The connection the framer's bytes came from; weak, so that a dropped
  // connection is closed at once rather than when the next one comes.
  std::weak_ptr<TcpSocket> framed;
  bool ended = false;
  while (!ended && live(gen)) {
    if (!pauser_.pause(kReceiverCycle) || !live(gen)) break;
    if (!socket_.connected()) {
      pauser_.pause(milliseconds(1000));
      continue;
    }
    const auto sock = socket_.current();
    if (!sock) continue;
    if (framed.lock() != sock) {
      framer.reset();
      framed = sock;
    }
    const TcpSocket::Wait wait = sock->waitReadable(waitMs(pauser_, kSocketWait));
    if (wait == TcpSocket::kFailed) {
      disconnect(sock);
      continue;
    }
    if (wait == TcpSocket::kTimeout || !live(gen)) continue;
    int error = 0;
    const long got = socket_.receive(*sock, buffer.get(), kMaxPacketSize, error);
    if (got < 0 && (error == EAGAIN || error == EWOULDBLOCK)) continue;
    if (got <= 0) {
      // End of stream or a reset: the server is gone, so connect again rather
      // than stay "online" with every request going nowhere.
      disconnect(sock);
      continue;
    }
    const Next next = deliver(gen, framer, buffer.get(), static_cast<std::size_t>(got), packet.get(), *answered);
    if (next == Next::kEnd) ended = true;
    if (next == Next::kDropped) disconnect(sock);
  }
  if (!ended) endOfReceiveThread(gen);
}

// ---------------------------------------------------------------- life cycle

bool Connection::spawn(void (Connection::*main)(std::uint64_t), std::uint64_t gen) {
  return threads_.spawn([self = shared_from_this(), main, gen] {
    ((*self).*main)(gen);
    self->threads_.ended();
  });
}

int Connection::start() {
  threads_.retire();
  threads_.waitForRetired();
  pauser_.reset();
  stopped_ = false;
  leaving_ = false;
  socket_.setConnected(false);
  session_.restart();
  const std::uint64_t gen = threads_.generation();
  if (!spawn(&Connection::receiveMain, gen) || !spawn(&Connection::senderMain, gen)) {
    stop();
    return -1;
  }
  return 0;
}

// The goodbye waits for the server's answer, and going offline a moment
// more before the threads stop; the caller is the UI thread, which must not
// wait for any of that, so it runs on a thread of the connection's own.
void Connection::goOffline(bool stop) {
  if (stop) leaving_ = true;
  // From here on a logout answer is the one asked for, never "signed in
  // elsewhere", even if it comes before the goodbye thread wrote its packet.
  session_.expectFinalLogout();
  const std::uint64_t gen = threads_.generation();
  if (!threads_.spawn([self = shared_from_this(), gen, stop] {
        self->goodbyeMain(gen, stop);
        self->threads_.ended();
      })) {
    threads_.counted();  // no thread to be had: say it here
    goodbyeMain(gen, stop);
    threads_.ended();
  }
}

void Connection::goodbyeMain(std::uint64_t gen, bool stop) {
  if (session_.claimFarewell()) sendLogout(true);
  pauser_.pause(milliseconds(1000));  // time for the logout answer
  // A Start (online again) or Shutdown meanwhile owns the connection now.
  if (!threads_.current(gen)) return;
  session_.signedOut();
  socket_.drop(socket_.current());
  if (!stop) {
    // The program is closing: a sender that connected and signed in again
    // before Shutdown would only be logged out a second time.
    threads_.retire();
  } else {
    pauser_.pause(milliseconds(1000));
    if (threads_.current(gen)) this->stop();
  }
}

void Connection::abandon() {
  stop();
  socket_.drop(socket_.current());
}

void Connection::shutdown() {
  stopped_ = true;
  socket_.setConnected(false);
  // Only a signed-in connection has anybody to log out.
  const bool signedIn = session_.takeSignedIn();
  session_.expectFinalLogout();
  if (signedIn && session_.claimFarewell()) sendLogout(true);
  // The threads end at their next look; the pauses they sit in are cut short.
  threads_.retire();
  threads_.waitForRetired();
  socket_.close();
  session_.signedOut();
}

bool Connection::injectReceived(const std::uint8_t* data, std::size_t size) {
  const auto packet = std::make_unique<std::uint8_t[]>(kMaxPacketSize);
  const auto answered = std::make_unique<PendingRequest>();
  if (deliver(threads_.generation(), injectFramer_, data, size, packet.get(), *answered) != Next::kDropped)
    return true;
  injectFramer_.reset();
  return false;
}

}  // namespace kiv
