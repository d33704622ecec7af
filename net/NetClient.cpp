#include "net/NetClient.h"

#include "net/Connection.h"

namespace kiv {

NetClient::NetClient() : NetClient(Options{}) {}

NetClient::NetClient(Options options) : connection_(std::make_shared<Connection>(options)) {
  connection_->registerOwnProfileReceiver();
}

NetClient::~NetClient() {
  if (connection_->active()) Shutdown();
  connection_->unregisterOwnProfileReceiver();
}

void NetClient::SetServer(const std::string& address, std::uint16_t port) {
  connection_->setServer(address, port);
}

void NetClient::SetAccount(const std::string& phone, const std::string& password) {
  connection_->session().setAccount(phone, password);
}

void NetClient::setObserver(std::shared_ptr<NetObserver> observer) {
  connection_->setObserver(std::move(observer));
}

void NetClient::setLoginAsker(ReceiverHandle asker) {
  connection_->setLoginAsker(asker);
}

void NetClient::setMainAsker(ReceiverHandle asker) {
  connection_->setMainAsker(asker);
}

int NetClient::Start() {
  return connection_->start();
}

void NetClient::GoOffline(bool stop) {
  connection_->goOffline(stop);
}

void NetClient::Stop() {
  connection_->abandon();
}

void NetClient::Shutdown() {
  connection_->shutdown();
}

HeaderKey NetClient::newKey() const {
  return connection_->session().newKey();
}

int NetClient::Enqueue(int length, ReceiverHandle asker, const std::uint8_t* packet) {
  return connection_->enqueue(length, asker, packet);
}

int NetClient::Enqueue(const std::vector<std::uint8_t>& packet, ReceiverHandle asker) {
  if (packet.size() > kMaxPacketSize) return -1;
  return Enqueue(static_cast<int>(packet.size()), asker, packet.data());
}

bool NetClient::stopped() const {
  return connection_->stopped();
}
bool NetClient::connected() const {
  return connection_->connected();
}
bool NetClient::loggedIn() const {
  return connection_->session().loggedIn();
}
std::uint32_t NetClient::ownUserId() const {
  return connection_->session().ownUserId();
}
std::string NetClient::phone() const {
  return connection_->session().phone();
}
int NetClient::pendingRequests() const {
  return connection_->pendingRequests();
}

bool NetClient::injectReceived(const std::uint8_t* data, std::size_t size) {
  return connection_->injectReceived(data, size);
}

bool NetClient::waitForThreads(std::chrono::milliseconds timeout) {
  return connection_->waitForThreads(timeout);
}

}  // namespace kiv
