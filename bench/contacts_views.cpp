// The main window under the largest load the protocol allows: 200 friends,
// ten groups of 390 members, twenty open conversations. Prints how long the
// tree takes to build, what an unchanged refresh costs, and the process's
// resident memory with everything shown.
//
//   bench_contacts_views            (QT_QPA_PLATFORM=offscreen, or under Xvfb)
#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "chat/CSendMessage.h"
#include "mainwindow/CKivDlg.h"
#include "mainwindow/CKivListCtrl.h"
#include "mainwindow/CKivTreeCtrl.h"
#include "model/ClientSession.h"
#include "model/ContactModel.h"
#include "net/FriendListMessages.h"
#include "net/GroupListMessages.h"
#include "net/GroupMembersMessages.h"
#include "net/NetClient.h"
#include "platform/MessageBox.h"
#include "storage/LocalStores.h"

namespace {

using namespace kiv;

long residentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

GroupListResponse groupList() {
  GroupListResponse groups;
  for (std::uint32_t g = 1; g <= 10; ++g)
    groups.groups.push_back(GroupRecord{20000 + g, "group" + std::to_string(g), std::uint8_t(g <= 2), 0});
  return groups;
}

GroupMembersResponse members(std::uint32_t group) {
  GroupMembersResponse response;
  for (std::uint32_t i = 0; i < 390; ++i) {
    const std::uint32_t id = 100000 + group * 1000 + i;
    response.members.push_back(MemberRecord{id, "member" + std::to_string(i), std::uint8_t(i % 4), i == 7, 0});
  }
  return response;
}

class Painted : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++count;
    return false;
  }
  int count = 0;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  MessageRecorder quiet;
  NetClient net;
  ContactModel model;
  LocalStores store;
  ClientSession session{net, model, store, {}};
  SelfProfile self;
  self.userId = 99999;
  self.nickname = "bench";
  model.setSelf(self);

  auto* window = new CKivDlg(session);
  window->show();
  window->tree()->show();
  if (!QTest::qWaitForWindowExposed(window)) std::printf("window not exposed\n");
  const long before = residentKb();

  // The tree, built from the answers as they come.
  std::vector<double> builds;
  for (int round = 0; round < 5; ++round) {
    model.replaceGroups(GroupListResponse{});  // empty the tree
    QElapsedTimer timer;
    timer.start();
    for (std::int32_t id : model.replaceGroups(groupList()))
      model.replaceMembers(id, members(static_cast<std::uint32_t>(id)));
    builds.push_back(timer.nsecsElapsed() / 1e6);
    QCoreApplication::processEvents();
  }
  std::sort(builds.begin(), builds.end());

  FriendListResponse friends;
  for (std::uint32_t i = 1; i <= 200; ++i) friends.friends.push_back(FriendRecord{10000 + i, "friend" + std::to_string(i), 3});
  model.replaceFriends(friends);
  for (int i = 0; i < 10; ++i) window->tree()->topLevelItem(i)->setExpanded(true);
  QTest::qWait(300);

  // The periodic lists again, unchanged.
  Painted painted;
  window->tree()->viewport()->installEventFilter(&painted);
  window->friendList()->viewport()->installEventFilter(&painted);
  QElapsedTimer refresh;
  refresh.start();
  model.replaceFriends(friends);
  for (std::int32_t id : model.replaceGroups(groupList()))
    model.replaceMembers(id, members(static_cast<std::uint32_t>(id)));
  const double refreshMs = refresh.nsecsElapsed() / 1e6;
  QTest::qWait(50);

  const long lists = residentKb();
  for (std::int32_t i = 1; i <= 20; ++i)
    window->showConversation(ChatCategory::kFriend, 10000 + i, "friend" + std::to_string(i), "", 3);
  QTest::qWait(200);

  std::printf("tree of 10 x 390 members built: median %.1f ms, best %.1f ms, worst %.1f ms\n", builds[2], builds[0],
              builds[4]);
  std::printf("unchanged refresh of 200 friends and 10 x 390 members: %.1f ms, %d paints\n", refreshMs,
              painted.count);
  std::printf("resident memory: %ld kB with the empty main window, %ld kB with 200 friends and 3,900 members, "
              "%ld kB with 20 conversations open too\n",
              before, lists, residentKb());
  session.model.conversations().destroyAll();
  delete window;
  return 0;
}
