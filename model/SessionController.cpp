#include "model/SessionController.h"

#include "avatars/Avatars.h"
#include "model/ClientSession.h"
#include "model/ContactModel.h"
#include "model/RememberedAccounts.h"
#include "model/SessionLink.h"
#include "model/SessionView.h"
#include "model/SignInWindow.h"
#include "net/FriendListMessages.h"
#include "net/GroupListMessages.h"
#include "net/GroupMembersMessages.h"
#include "net/NetClient.h"
#include "net/ReceiverRegistry.h"
#include "platform/SoundEnabled.h"
#include "net/SignInTexts.h"
#include "platform/MessageBox.h"
#include "storage/LocalStores.h"

namespace kiv {

SessionController::SessionController(ClientSession& session) : session_(session) {
  link_ = std::make_shared<SessionLink>(this);
  handle_ = session_.relay().listen(&context_, [this](const FriendListRequest&, const FriendListResponse& friends) {
    applyFriendList(friends);
  });
  // The store, not a window: an answer already on the receive thread is
  // stored even while the windows go (the store outlives them).
  HistoryStore* store = &session_.store.history;
  messages_ = std::make_unique<MessageService>(
      session_.net, [store] { return store; }, &session_.model, ReceiverRegistry::global());
  messages_->hold();
  messages_->setSink([link = link_](const std::function<void()>& work) { link->runOnUi(work); },
                     [this](const MessageService::Address& to, const MessageService::Batch& batch) {
                       return deliver(to, batch);
                     });
  // The session hears the connection and asks for the lists from now on,
  // the sign-in included.
  session_.net.setObserver(link_);
  session_.net.setMainAsker(handle_);
}

SessionController::~SessionController() {
  link_->detach();
  link_->forget();
  messages_->detach();
  session_.net.setMainAsker(0);
  session_.net.setObserver(nullptr);
}

// --- sign-in

bool SessionController::signIn() {
  session_.store.ResolveProgramPaths();
  session_.store.logins.OpenLoginDatabase();
  return signIn_ != nullptr && signIn_->runSignIn();
}

void SessionController::afterSignIn() {
  const SelfProfile& self = session_.model.self();
  PurgeAvatarCache(self.userId);
  RememberedAccounts::recordSignIn(session_.store.logins, session_.login, self.userId);
  session_.store.history.OpenMessageDatabase(self.userId);
  session_.model.loadStrangers(session_.store.history);
  SoundEnabled = session_.store.settings.IsSoundOn();
  DesktopNoticesEnabled = session_.store.settings.IsDesktopNoticeOn();
  signedIn_ = true;
  messages_->release();  // the notices heard while signing in
}

// --- presence

bool SessionController::offline() const {
  return session_.net.stopped();
}

bool SessionController::goOnline() {
  if (!session_.net.stopped()) return false;
  session_.net.Start();
  if (view_ != nullptr) view_->showConnection(true);
  return true;
}

void SessionController::goOffline() {
  session_.net.GoOffline(true);
  if (view_ != nullptr) view_->showConnection(false);
}

void SessionController::connectionEnded(LogoutState state) {
  if (ended_ || state == LogoutState::kFinal) return;  // the program is ending
  if (state == LogoutState::kForcedOffline) showMessage(kForcedOfflineText);
  // Before the sign-in the login window tells what went wrong; the user may
  // have quit while the box was up.
  if (!signedIn_ || ended_) return;
  if (view_ != nullptr) view_->showConnection(false);
}

// --- the end

bool SessionController::end() {
  if (ended_) return false;
  ended_ = true;
  // Nothing the connection says from here on needs the view, and the UI
  // thread must not be waited for any more.
  link_->detach();
  messages_->detach();
  if (view_ != nullptr) view_->closeWaitingWindows();
  session_.net.GoOffline(false);
  session_.model.conversations().destroyAll();
  session_.model.saveStrangers(session_.store.history);
  return true;
}

// --- lists and answers

void SessionController::applyOwnProfile(const UserInfoResponse& profile) {
  session_.model.setSelf(SelfProfile::from(profile));
}

void SessionController::applyGroupList(const GroupListResponse& groups) {
  for (std::int32_t groupId : session_.model.replaceGroups(groups)) {
    GroupMembersRequest ask;
    ask.groupId = static_cast<std::uint32_t>(groupId);
    session_.relay().ask(ask, &context_, [this](const GroupMembersRequest& asked, const GroupMembersResponse& members) {
      session_.model.replaceMembers(static_cast<std::int32_t>(asked.groupId), members);
    });
  }
}

void SessionController::applyFriendList(const FriendListResponse& friends) {
  session_.model.replaceFriends(friends);
  if (signIn_ != nullptr) signIn_->friendListApplied();
}

void SessionController::handleNotice(const MessageNotice& notice) {
  if (!ended_) messages_->onNotice(notice);
}

// --- arriving messages

bool SessionController::deliver(const MessageService::Address& to, const MessageService::Batch& batch) {
  if (ended_ || view_ == nullptr) return false;
  // A group that left the list meanwhile gets no window; its messages are
  // kept for the window it gets when it comes back.
  const bool windowWanted = to.category != ChatCategory::kGroup || session_.model.findGroup(to.number) != nullptr;
  const bool shown = windowWanted && view_->showBatch(to, batch);
  view_->batchArrived(to, batch, shown);
  return shown;
}

}  // namespace kiv
