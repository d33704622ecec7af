#include "net/NetClient.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "net/FriendListMessages.h"
#include "net/LoginMessages.h"
#include "net/LogoutMessages.h"
#include "net/NoticePollMessages.h"
#include "net/ReceiverRegistry.h"
#include "net/RequestTable.h"
#include "net/StreamFramer.h"
#include "platform/Clock.h"
#include "platform/Gbk.h"
#include "platform/Log.h"
#include "platform/MessageBox.h"
#include "platform/Pauser.h"
#include "platform/TcpSocket.h"

namespace kiv {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kSenderCycle{1000};
constexpr milliseconds kReceiverCycle{600};
constexpr milliseconds kSocketWait{1000};
constexpr milliseconds kConnectRetry{3000};
constexpr milliseconds kConnectTimeout{4000};
constexpr int kSocketTimeoutMs = 4000;
constexpr int kGroupListEvery = 120;
constexpr int kNoticePollEvery = 10;
constexpr std::size_t kLoginLength = 66;

const char* const kForcedOffline = "您的帐号因在其它地方登录被迫下线";

// The message shown for a refused login (result 1-5), UTF-8.
std::string refusalText(int result, const std::string& phoneGbk) {
  const std::string phone = gbk::toUtf8(phoneGbk);
  switch (result) {
    case LoginResponse::kNotRegistered:
      return phone + "手机号未注册";
    case LoginResponse::kCancelled:
      return phone + "手机号已经注销";
    case LoginResponse::kWrongPassword:
      return phone + "密码错误";
    case LoginResponse::kVersionTooOld:
      return "您的版本过低,请下载最新版本";
    case LoginResponse::kLoggedInElsewhere:
      return "您已经在其它地方登录,不能重复登录!";
    default:
      return {};
  }
}

int waitMs(const Pauser& pauser, milliseconds duration) {
  return static_cast<int>(pauser.scaled(duration).count());
}

}  // namespace

// Everything the threads share. The threads hold it by shared pointer, so a
// thread that is still blocked in an observer call when the NetClient goes
// away finds its locks, table and log intact.
struct NetClient::Core {
  Core(const Options& o)
      : clock(o.clock != nullptr ? *o.clock : SystemClock::instance()),
        registry(o.registry != nullptr ? *o.registry : ReceiverRegistry::global()),
        pauser(o.pauseScale),
        log(o.logDirectory, clock) {}

  const Clock& clock;
  ReceiverRegistry& registry;
  Pauser pauser;
  Log log;
  RequestTable table;

  std::atomic<bool> stopped{false};
  // The user went offline; the goodbye may still be under way.
  std::atomic<bool> leaving{false};
  // Claimed by whoever writes the final goodbye, so it goes out once.
  std::atomic<bool> farewell{false};
  std::atomic<bool> connected{false};
  std::atomic<bool> loggedIn{false};
  std::atomic<int> loginResult{-1};
  std::atomic<int> tryCount{0};
  std::atomic<int> logoutState{0};
  std::atomic<std::uint32_t> ownUserId{0};
  std::atomic<ReceiverHandle> loginAsker{0};
  std::atomic<ReceiverHandle> mainAsker{0};
  ReceiverHandle ownProfileHandle = 0;
  StreamFramer injectFramer;  // for bytes handed in by injectReceived

  // Every Start (and Shutdown) begins a new generation; a thread of an older
  // one does nothing more once it notices.
  std::atomic<std::uint64_t> generation{0};

  mutable std::mutex configLock;
  std::string serverAddress = "127.0.0.1";
  std::uint16_t serverPort = 7838;
  std::string phone;
  std::string password;
  AccountWords account;
  std::shared_ptr<NetObserver> observer;

  // Guards only the exchange of the socket pointer; users keep their own
  // reference, so a socket is closed when its last user lets go.
  std::mutex socketLock;
  std::shared_ptr<TcpSocket> socket;
  std::mutex sendLock;
  std::mutex receiveLock;

  std::mutex threadsLock;
  std::condition_variable threadsChanged;
  int alive = 0;       // threads of any generation still running
  int inCallback = 0;  // of those, the ones inside an observer or receiver call

  bool live(std::uint64_t gen) const { return generation.load() == gen && !stopped.load(); }
  bool current(std::uint64_t gen) const { return generation.load() == gen; }

  void stop() {
    stopped = true;
    pauser.interrupt();
  }

  // Ends the current generation: its threads stop at their next look.
  void retire() {
    ++generation;
    pauser.interrupt();
  }

  // Waits until every thread has ended or sits in a call out (which it
  // leaves doing nothing more). Never waits for a call out to return: that
  // call may be waiting for the very thread that waits here.
  void waitForRetired() {
    std::unique_lock lock(threadsLock);
    threadsChanged.wait(lock, [this] { return alive == inCallback; });
  }

  // Runs an observer, receiver or message-box call. False when this thread's
  // generation ended meanwhile: the caller must end at once.
  template <class F>
  bool callOut(std::uint64_t gen, F&& f) {
    {
      std::lock_guard lock(threadsLock);
      ++inCallback;
    }
    threadsChanged.notify_all();
    try {
      f();
    } catch (...) {
      // An observer's failure must not take the connection down with it.
    }
    {
      std::lock_guard lock(threadsLock);
      --inCallback;
    }
    threadsChanged.notify_all();
    return current(gen);
  }

  std::shared_ptr<NetObserver> observerNow() const {
    std::lock_guard lock(configLock);
    return observer;
  }

  std::string phoneNow() const {
    std::lock_guard lock(configLock);
    return phone;
  }

  HeaderKey newKey() const {
    AccountWords words;
    {
      std::lock_guard lock(configLock);
      words = account;
    }
    return freshKey(words, clock.localNow());
  }

  std::shared_ptr<TcpSocket> currentSocket() {
    std::lock_guard lock(socketLock);
    return socket;
  }

  // Drops `seen` if it is still the connection: the sender connects anew in
  // its next cycle. A connection that was already replaced is left alone.
  bool dropSocket(const std::shared_ptr<TcpSocket>& seen) {
    std::shared_ptr<TcpSocket> gone;
    {
      std::lock_guard lock(socketLock);
      if (socket != seen) return false;
      gone = std::move(socket);
    }
    loggedIn = false;
    connected = false;
    return true;
  }

  // A whole packet or nothing: a failed write may have left part of the
  // packet on the wire, after which the stream is useless, so it is dropped.
  bool sendDirect(const std::uint8_t* packet, std::size_t length) {
    const auto sock = currentSocket();
    if (!sock) return false;
    bool ok;
    {
      std::lock_guard lock(sendLock);
      ok = sock->sendAll(packet, length, kSocketTimeoutMs);
    }
    if (!ok) dropSocket(sock);
    return ok;
  }

  bool sendLogout(bool final) {
    const auto packet = LogoutRequest{}.build(newKey());
    // Set before the write: a quick server answers before the write call
    // returns, and an answer read while the state is still 0 would count as
    // being signed in elsewhere.
    const int before = logoutState.exchange(final ? 2 : 1);
    if (sendDirect(packet.data(), packet.size())) return true;
    logoutState = before;
    return false;
  }

  // Closes the connection, first reading what is left so that the close does
  // not reset the connection before the server had our last packet.
  void closeSocket() {
    std::shared_ptr<TcpSocket> gone;
    {
      std::lock_guard lock(socketLock);
      gone = std::move(socket);
    }
    if (gone) {
      std::uint8_t sink[512];
      for (int i = 0; i < 64 && gone->receive(sink, sizeof sink) > 0; ++i) {
      }
    }
    loggedIn = false;
    connected = false;
  }

  // --- sender thread ---
  static void senderMain(std::shared_ptr<Core> self, std::uint64_t gen);
  int connect();
  void loginAttempt(std::array<std::uint8_t, 114>& loginPackets);
  void resendPass(std::uint64_t gen, PendingRequest* due);

  // --- receive thread ---
  static void receiveMain(std::shared_ptr<Core> self, std::uint64_t gen);
  // After a packet: go on, drop the connection (it cannot be trusted any
  // more), or end the thread (its generation is over).
  enum class Next { kGoOn, kDropped, kEnd };
  // Frames freshly read bytes and dispatches every whole packet.
  Next deliver(std::uint64_t gen, StreamFramer& framer, const std::uint8_t* data, std::size_t size,
               std::uint8_t* packet, PendingRequest& answered);
  Next dispatch(std::uint64_t gen, const std::uint8_t* packet, std::size_t size, PendingRequest& answered);
  bool onLoginResponse(std::uint64_t gen, const std::uint8_t* packet, std::size_t size);
  void onLogoutResponse();
  void disconnect(const std::shared_ptr<TcpSocket>& sock) {
    dropSocket(sock);
    pauser.pause(milliseconds(1000));
  }
  void endOfReceiveThread(std::uint64_t gen);

  // --- goodbye thread ---
  static void goodbyeMain(std::shared_ptr<Core> self, std::uint64_t gen, bool stop);

  void threadEnded() {
    {
      std::lock_guard lock(threadsLock);
      --alive;
    }
    threadsChanged.notify_all();
  }
};

namespace {

// Learns the own UserId from the answer to the post-login profile request,
// abandons the login when there is no profile, and passes the answer on to
// the login asker.
class OwnProfileReceiver final : public ResponseReceiver {
 public:
  explicit OwnProfileReceiver(std::weak_ptr<NetClient::Core> core) : core_(std::move(core)) {}

  void OnServerResponse(const PendingRequest& request, const std::uint8_t* response, std::uint32_t size,
                        std::uint32_t command) override {
    const auto core = core_.lock();
    if (!core) return;
    const UserInfoResponse profile = UserInfoResponse::read(response, size);
    if (command != UserInfoResponse::kCommand || profile.status != 0) {
      core->stop();
    } else {
      core->ownUserId = profile.userId;
      if (const auto observer = core->observerNow()) observer->onOwnProfile(profile);
    }
    core->registry.deliver(core->loginAsker.load(), request, response, size, command);
  }

 private:
  std::weak_ptr<NetClient::Core> core_;
};

}  // namespace

// ---------------------------------------------------------------- sender

int NetClient::Core::connect() {
  {
    std::shared_ptr<TcpSocket> old;
    std::lock_guard lock(socketLock);
    old = std::move(socket);
  }
  loggedIn = false;
  std::string address;
  std::uint16_t port;
  {
    std::lock_guard lock(configLock);
    address = serverAddress;
    port = serverPort;
  }
  auto sock = std::make_shared<TcpSocket>();
  const int timeout = std::max(100, waitMs(pauser, kConnectTimeout));
  const int error = sock->connect(address, port, timeout);
  if (error == 0) {
    sock->setTimeouts(kSocketTimeoutMs, kSocketTimeoutMs);
    sock->setNonBlocking(true);
  }
  const int tries = ++tryCount;
  log.line() << " ConnectServer,try num:" << tries << ",return=" << (error == 0 ? 0 : -1);
  if (tries > kMaxTries) stop();
  if (error != 0) return error;
  std::lock_guard lock(socketLock);
  socket = std::move(sock);
  return 0;
}

void NetClient::Core::loginAttempt(std::array<std::uint8_t, 114>& loginPackets) {
  LoginRequest request;
  {
    std::lock_guard lock(configLock);
    request.phone = phone;
    request.password = password;
  }
  // The login and the two header-only polls are stamped together; the polls
  // are sent as they are until the next login attempt.
  const auto login = request.build(newKey());
  const auto groups = GroupListRequest{}.build(newKey());
  const auto notices = NoticePollRequest{}.build(newKey());
  std::memcpy(loginPackets.data(), login.data(), kLoginLength);
  std::memcpy(loginPackets.data() + kLoginLength, groups.data(), kHeaderSize);
  std::memcpy(loginPackets.data() + kLoginLength + kHeaderSize, notices.data(), kHeaderSize);

  const int tries = ++tryCount;
  loginResult = -1;
  log.line() << " LoginServer,try num:" << tries;
  if (tries > kMaxTries) stop();
  sendDirect(loginPackets.data(), kLoginLength);
}

void NetClient::Core::resendPass(std::uint64_t gen, PendingRequest* due) {
  const auto stampNow = [this] { return static_cast<std::int32_t>(timeStampOf(clock.localNow())); };
  const int n = table.due(stampNow(), due);
  for (int i = 0; i < n; ++i) {
    // The pass writes one a second: an answer may have come meanwhile.
    if (!table.waiting(due[i])) continue;
    if (!sendDirect(due[i].packet, static_cast<std::size_t>(due[i].length))) return;
    // Stamped when written: in a long pass the last ones go out many seconds
    // after the first, and their repeat is owed that much later.
    table.written(due[i], stampNow());
    if (!pauser.pause(milliseconds(1000)) || !live(gen)) return;
  }
}

void NetClient::Core::senderMain(std::shared_ptr<Core> self, std::uint64_t gen) {
  Core& c = *self;
  std::array<std::uint8_t, 114> loginPackets{};
  const auto due = std::make_unique<PendingRequest[]>(RequestTable::kSlots);
  int counter = -1;  // kept across re-logins: the lists come every 120 cycles
  while (c.live(gen)) {
    if (!c.pauser.pause(kSenderCycle) || !c.live(gen)) break;
    // Going offline: the goodbye thread has the connection; signing in
    // again behind the user's back would leave them online on the server.
    if (c.leaving) continue;
    if (!c.connected) {
      if (c.connect() != 0) {
        c.pauser.pause(kConnectRetry);
        continue;
      }
      if (!c.live(gen)) break;
      c.connected = true;
    }
    auto sock = c.currentSocket();
    const TcpSocket::Wait wait = sock ? sock->waitWritable(waitMs(c.pauser, kSocketWait)) : TcpSocket::kFailed;
    if (wait == TcpSocket::kFailed) {
      // A broken socket: say goodbye if it still takes it, then start over.
      c.sendLogout(false);
      c.pauser.pause(milliseconds(1000));
      c.loggedIn = false;
      c.dropSocket(sock);
      c.pauser.pause(milliseconds(500));
      continue;
    }
    // Let go of it: the writes below fetch the connection themselves, and a
    // connection dropped meanwhile must not stay open for a whole pass.
    sock.reset();
    if (wait == TcpSocket::kTimeout || !c.live(gen)) continue;
    if (!c.loggedIn) {
      c.loginAttempt(loginPackets);
      c.pauser.pause(milliseconds(1000));
      continue;
    }
    ++counter;
    if (counter % kGroupListEvery == 0) {
      counter = 0;
      c.sendDirect(loginPackets.data() + kLoginLength, kHeaderSize);
      const auto friends = FriendListRequest{}.build(c.newKey());
      c.table.enqueue(static_cast<int>(friends.size()), c.mainAsker.load(), friends.data());
      // This is a tenth cycle too: without its poll, every two minutes twenty
      // seconds would pass without one, and a message sent then would wait
      // twice as long as any other.
      c.sendDirect(loginPackets.data() + kLoginLength + kHeaderSize, kHeaderSize);
    } else if (counter % kNoticePollEvery == 0) {
      c.sendDirect(loginPackets.data() + kLoginLength + kHeaderSize, kHeaderSize);
    } else {
      c.resendPass(gen, due.get());
    }
  }
  c.threadEnded();
}

// ---------------------------------------------------------------- receiver

bool NetClient::Core::onLoginResponse(std::uint64_t gen, const std::uint8_t* packet, std::size_t size) {
  const int result = LoginResponse::read(packet, size).result;
  loginResult = result;
  log.line() << " LoginServer_Resp,nLoginStyle:" << result;
  const auto observer = observerNow();
  if (result == LoginResponse::kLoggedIn) {
    loggedIn = true;
    const auto profile = UserInfoRequest{ownUserId.load()}.build(newKey());
    table.enqueue(static_cast<int>(profile.size()), ownProfileHandle, profile.data());
    tryCount = 0;
    return callOut(gen, [&] {
      if (observer) observer->onLoginSucceeded();
    });
  }
  if (result > LoginResponse::kLoggedInElsewhere) return true;  // another attempt next cycle
  const std::string text = refusalText(result, phoneNow());
  if (!callOut(gen, [&] {
        showMessage(text);
        if (observer) observer->onLoginRefused(result, text);
      }))
    return false;
  stop();
  return true;
}

void NetClient::Core::onLogoutResponse() {
  const int state = logoutState;
  log.line() << " KIV_EXIT_RESP,nLoginOut:" << state;
  if (state == 1) {
    logoutState = 0;  // the answer to the goodbye before a reconnect
    return;
  }
  if (state != 2) logoutState = 3;  // unasked: signed in elsewhere
  stop();
}

NetClient::Core::Next NetClient::Core::dispatch(std::uint64_t gen, const std::uint8_t* packet, std::size_t size,
                                                PendingRequest& answered) {
  const std::uint32_t command = commandOf(packet);
  switch (command) {
    case 0:
      return Next::kDropped;
    case LoginResponse::kCommand:
      return onLoginResponse(gen, packet, size) ? Next::kGoOn : Next::kEnd;
    case NoticePollResponse::kCommand: {
      const auto poll = NoticePollResponse::read(packet, size);
      if (poll.status != 0) return Next::kGoOn;
      const auto observer = observerNow();
      for (const auto& notice : poll.notices)
        if (!callOut(gen, [&] {
              if (observer) observer->onNotice(notice);
            }))
          return Next::kEnd;
      return Next::kGoOn;
    }
    case LogoutResponse::kCommand:
      onLogoutResponse();
      return Next::kGoOn;
    case GroupListResponse::kCommand: {
      const auto groups = GroupListResponse::read(packet, size);
      const auto observer = observerNow();
      return callOut(gen,
                     [&] {
                       if (observer) observer->onGroupList(groups);
                     })
                 ? Next::kGoOn
                 : Next::kEnd;
    }
    default:
      if (!table.takeAnswered(packet, answered)) return Next::kGoOn;  // pairs with nothing
      return callOut(gen, [&] { registry.deliver(answered.asker, answered, packet, static_cast<std::uint32_t>(size), command); }) ? Next::kGoOn
                                                                                                : Next::kEnd;
  }
}

void NetClient::Core::endOfReceiveThread(std::uint64_t gen) {
  if (!current(gen)) return;  // Start or Shutdown took over; nothing to tell
  stop();
  const int state = logoutState;
  if (state == 2) return;  // the program asked for it
  const auto observer = observerNow();
  callOut(gen, [&] {
    if (state == 3) showMessage(kForcedOffline);
    if (observer) observer->onConnectionEnded(state);
  });
}

NetClient::Core::Next NetClient::Core::deliver(std::uint64_t gen, StreamFramer& framer, const std::uint8_t* data,
                                               std::size_t size, std::uint8_t* packet, PendingRequest& answered) {
  framer.feed(data, size);
  std::size_t length = 0;
  StreamFramer::Status status;
  while ((status = framer.next(packet, length)) == StreamFramer::Status::kPacket) {
    // Once stopped (refused, signed in elsewhere) the rest of the read is not
    // acted upon: a second refusal in the same read would show its box twice.
    if (stopped) return Next::kGoOn;
    const Next next = dispatch(gen, packet, length, answered);
    if (next != Next::kGoOn) return next;
  }
  return status == StreamFramer::Status::kBroken ? Next::kDropped : Next::kGoOn;
}

void NetClient::Core::receiveMain(std::shared_ptr<Core> self, std::uint64_t gen) {
  Core& c = *self;
  const auto buffer = std::make_unique<std::uint8_t[]>(kMaxPacketSize);
  const auto packet = std::make_unique<std::uint8_t[]>(kMaxPacketSize);
  const auto answered = std::make_unique<PendingRequest>();
  StreamFramer framer;
  // The connection the framer's bytes came from; weak, so that a dropped
  // connection is closed at once rather than when the next one comes.
  std::weak_ptr<TcpSocket> framed;
  bool ended = false;
  while (!ended && c.live(gen)) {
    if (!c.pauser.pause(kReceiverCycle) || !c.live(gen)) break;
    if (!c.connected) {
      c.pauser.pause(milliseconds(1000));
      continue;
    }
    const auto sock = c.currentSocket();
    if (!sock) continue;
    if (framed.lock() != sock) {
      framer.reset();
      framed = sock;
    }
    const TcpSocket::Wait wait = sock->waitReadable(waitMs(c.pauser, kSocketWait));
    if (wait == TcpSocket::kFailed) {
      c.disconnect(sock);
      continue;
    }
    if (wait == TcpSocket::kTimeout || !c.live(gen)) continue;
    long got;
    int error = 0;
    {
      std::lock_guard lock(c.receiveLock);
      got = sock->receive(buffer.get(), kMaxPacketSize);
      if (got < 0) error = TcpSocket::lastError();
    }
    if (got < 0 && (error == EAGAIN || error == EWOULDBLOCK)) continue;
    if (got <= 0) {
      // End of stream or a reset: the server is gone, so connect again rather
      // than stay "online" with every request going nowhere.
      c.disconnect(sock);
      continue;
    }
    const Next next = c.deliver(gen, framer, buffer.get(), static_cast<std::size_t>(got), packet.get(), *answered);
    if (next == Next::kEnd) ended = true;
    if (next == Next::kDropped) c.disconnect(sock);
  }
  if (!ended) c.endOfReceiveThread(gen);
  c.threadEnded();
}

// ---------------------------------------------------------------- NetClient

NetClient::NetClient() : NetClient(Options{}) {}

NetClient::NetClient(Options options) : core_(std::make_shared<Core>(options)) {
  core_->ownProfileHandle = core_->registry.add(std::make_shared<OwnProfileReceiver>(core_));
}

NetClient::~NetClient() {
  bool running;
  {
    std::lock_guard lock(core_->threadsLock);
    running = core_->alive > core_->inCallback;
  }
  if (running || core_->connected) Shutdown();
  core_->registry.remove(core_->ownProfileHandle);
}

void NetClient::SetServer(const std::string& address, std::uint16_t port) {
  std::lock_guard lock(core_->configLock);
  core_->serverAddress = address;
  core_->serverPort = port;
}

void NetClient::SetAccount(const std::string& phone, const std::string& password) {
  std::lock_guard lock(core_->configLock);
  // The fields hold 17 and 16 bytes with their terminators.
  core_->phone = std::string(gbk::cut(phone, 16));
  core_->password = std::string(gbk::cut(password, 15));
  core_->account = accountFromPhone(core_->phone);
}

void NetClient::setObserver(std::shared_ptr<NetObserver> observer) {
  std::lock_guard lock(core_->configLock);
  core_->observer = std::move(observer);
}

void NetClient::setLoginAsker(ReceiverHandle asker) {
  core_->loginAsker = asker;
}
void NetClient::setMainAsker(ReceiverHandle asker) {
  core_->mainAsker = asker;
}

int NetClient::Start() {
  Core& c = *core_;
  c.retire();
  c.waitForRetired();
  c.pauser.reset();
  c.stopped = false;
  c.leaving = false;
  c.farewell = false;
  c.connected = false;
  c.loggedIn = false;
  c.logoutState = 0;
  c.tryCount = 0;
  const std::uint64_t gen = c.generation.load();
  const auto spawn = [&](void (*main)(std::shared_ptr<Core>, std::uint64_t)) {
    {
      std::lock_guard lock(c.threadsLock);
      ++c.alive;
    }
    try {
      std::thread(main, core_, gen).detach();
      return true;
    } catch (...) {
      c.threadEnded();
      return false;
    }
  };
  if (!spawn(&Core::receiveMain)) {
    c.stop();
    return -1;
  }
  if (!spawn(&Core::senderMain)) {
    c.stop();
    return -1;
  }
  return 0;
}

// The goodbye waits for the server's answer, and going offline a moment
// more before the threads stop; the caller is the UI thread, which must not
// wait for any of that, so it runs on a thread of the connection's own.
void NetClient::GoOffline(bool stop) {
  Core& c = *core_;
  if (stop) c.leaving = true;
  // From here on a logout answer is the one asked for, never "signed in
  // elsewhere", even if it comes before the goodbye thread wrote its packet.
  c.logoutState = 2;
  const std::uint64_t gen = c.generation.load();
  {
    std::lock_guard lock(c.threadsLock);
    ++c.alive;
  }
  try {
    std::thread(&Core::goodbyeMain, core_, gen, stop).detach();
  } catch (...) {
    Core::goodbyeMain(core_, gen, stop);  // no thread to be had: say it here
  }
}

void NetClient::Core::goodbyeMain(std::shared_ptr<Core> self, std::uint64_t gen, bool stop) {
  Core& c = *self;
  if (!c.farewell.exchange(true)) c.sendLogout(true);
  c.pauser.pause(milliseconds(1000));  // time for the logout answer
  // A Start (online again) or Shutdown meanwhile owns the connection now.
  if (c.current(gen)) {
    c.loggedIn = false;
    c.dropSocket(c.currentSocket());
    if (!stop) {
      // The program is closing: a sender that connected and signed in again
      // before Shutdown would only be logged out a second time.
      c.retire();
    } else {
      c.pauser.pause(milliseconds(1000));
      if (c.current(gen)) c.stop();
    }
  }
  c.threadEnded();
}

void NetClient::Stop() {
  Core& c = *core_;
  c.stop();
  c.dropSocket(c.currentSocket());
}

void NetClient::Shutdown() {
  Core& c = *core_;
  c.stopped = true;
  c.connected = false;
  // Only a signed-in connection has anybody to log out.
  const bool signedIn = c.loggedIn.exchange(false);
  c.logoutState = 2;
  if (signedIn && !c.farewell.exchange(true)) c.sendLogout(true);
  // The threads end at their next look; the pauses they sit in are cut short.
  c.retire();
  c.waitForRetired();
  c.closeSocket();
}

HeaderKey NetClient::newKey() const {
  return core_->newKey();
}

int NetClient::Enqueue(int length, ReceiverHandle asker, const std::uint8_t* packet) {
  return core_->table.enqueue(length, asker, packet);
}

int NetClient::Enqueue(const std::vector<std::uint8_t>& packet, ReceiverHandle asker) {
  if (packet.size() > kMaxPacketSize) return -1;
  return Enqueue(static_cast<int>(packet.size()), asker, packet.data());
}

bool NetClient::SendDirect(const std::uint8_t* packet, std::size_t length) {
  return core_->sendDirect(packet, length);
}

bool NetClient::SendLogout(bool final) {
  return core_->sendLogout(final);
}

bool NetClient::stopped() const {
  return core_->stopped || core_->leaving;
}
bool NetClient::connected() const {
  return core_->connected;
}
bool NetClient::loggedIn() const {
  return core_->loggedIn;
}
int NetClient::loginResult() const {
  return core_->loginResult;
}
int NetClient::tryCount() const {
  return core_->tryCount;
}
int NetClient::logoutState() const {
  return core_->logoutState;
}
std::uint32_t NetClient::ownUserId() const {
  return core_->ownUserId;
}
std::string NetClient::phone() const {
  return core_->phoneNow();
}
int NetClient::pendingRequests() const {
  return core_->table.inUse();
}

bool NetClient::injectReceived(const std::uint8_t* data, std::size_t size) {
  Core& c = *core_;
  const auto packet = std::make_unique<std::uint8_t[]>(kMaxPacketSize);
  const auto answered = std::make_unique<PendingRequest>();
  if (c.deliver(c.generation.load(), c.injectFramer, data, size, packet.get(), *answered) != Core::Next::kDropped)
    return true;
  c.injectFramer.reset();
  return false;
}

bool NetClient::waitForThreads(std::chrono::milliseconds timeout) {
  std::unique_lock lock(core_->threadsLock);
  return core_->threadsChanged.wait_for(lock, timeout, [this] { return core_->alive == 0; });
}

}  // namespace kiv
