// The main window on each tab with the demo data,
// a hover row, each menu and the grey own avatar; the notification-area icon
// on- and offline, the forced-offline box, a tree with a shielded and a new
// group, and every question of the group management.
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>

#include "mainwindow/MainWindowFixture.h"
#include "platform/qt/QtMessagePresenter.h"
#include "skin/CBitButtonNL.h"
#include "gallery/Screenshot.h"

namespace kiv::test {
namespace {

class MainWindowScene : public MainWindowFixture {
 protected:
  // Lets the avatars arrive from the web port.
  static void settle() { QTest::qWait(400); }
  static void shootMenu(QMenu* menu, const QString& name) {
    menu->popup(QPoint(0, 0));
    QTest::qWait(50);
    saveScreenshot(menu, name);
    menu->hide();
  }
};

TEST_F(MainWindowScene, TabsHoverMenusAndOfflineAvatar) {
  auto* tree = main->tree();
  tree->groupItem(20001)->setExpanded(true);
  tree->groupItem(20002)->setExpanded(true);
  settle();
  QTest::mouseMove(tree->viewport(), tree->visualItemRect(tree->memberItem(20001, 10003)).center());
  settle();
  saveScreenshot(main, "main-groups-hover");
  shootMenu(tree->prepareMenu(tree->visualItemRect(tree->groupItem(20001)).center()), "menu-133-own-group");
  shootMenu(tree->prepareMenu(tree->visualItemRect(tree->memberItem(20002, 10005)).center()), "menu-133-member");

  main->selectTab(CKivDlg::kFriendsTab);
  auto* friends = main->friendList();
  settle();
  QTest::mouseMove(friends->viewport(), friends->visualItemRect(friends->item(1)).center());
  saveScreenshot(main, "main-friends-hover");
  shootMenu(friends->prepareMenu(friends->visualItemRect(friends->item(0)).center()), "menu-132-row");
  shootMenu(friends->prepareMenu(QPoint(5, friends->viewport()->height() - 5)), "menu-132-empty");

  main->selectTab(CKivDlg::kStrangersTab);
  settle();
  saveScreenshot(main, "main-strangers");
  auto* strangers = main->strangerList();
  shootMenu(strangers->prepareMenu(strangers->visualItemRect(strangers->item(0)).center()), "menu-134");
  shootMenu(main->prepareSystemMenu(), "menu-142-online");

  main->refreshOwnAvatar(true);
  settle();
  saveScreenshot(main, "main-offline-avatar");
}

// Photographs every message box that comes up, under the next name given,
// and answers it.
class BoxCamera {
 public:
  BoxCamera() {
    installMessagePresenter(&presenter_);
    timer_.setInterval(20);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (box == nullptr || !box->isVisible() || names_.empty()) continue;
        saveScreenshot(box, names_.front());
        names_.erase(names_.begin());
        cancel_ ? box->reject() : box->accept();
      }
    });
    timer_.start();
  }
  ~BoxCamera() { installMessagePresenter(nullptr); }
  // The next box is saved as `name` and answered with OK, or Cancel.
  void expect(const QString& name, bool cancel = false) {
    names_.push_back(name);
    cancel_ = cancel;
  }
  bool done() const { return names_.empty(); }

 private:
  QtMessagePresenter presenter_;
  QTimer timer_;
  std::vector<QString> names_;
  bool cancel_ = false;
};

void shootIcon(const QIcon& icon, const QString& name) {
  QLabel label;
  label.setPixmap(icon.pixmap(32, 32));
  label.setFixedSize(40, 40);
  label.setAlignment(Qt::AlignCenter);
  label.setStyleSheet(QStringLiteral("background: #dfe6ee"));
  label.show();
  saveScreenshot(&label, name);
}

TEST_F(MainWindowScene, ConnectionLookAndGroupManagement) {
  BoxCamera camera;
  shootIcon(main->trayIcon()->icon(), "tray-online");
  {
    camera.expect("box-forced-offline");
    ClientStack elsewhere(server, "13800000001", home.path() + "/elsewhere");
    ASSERT_TRUE(elsewhere.signIn(false));
    ASSERT_TRUE(waitFor([&] { return main->trayIconNumber() == 273; }));
    settle();
    shootIcon(main->trayIcon()->icon(), "tray-offline");
    saveScreenshot(main, "main-forced-offline");
  }
  main->runSystemCommand(CKivDlg::kGoOnline);
  ASSERT_TRUE(waitFor([&] { return stack->net.loggedIn(); }));

  auto* tree = main->tree();
  camera.expect("box-create-submitted");
  main->control<CBitButtonNL>(CKivDlg::kCreateGroupButton)->click();
  ASSERT_TRUE(waitFor([&] { return stack->model.groups().size() == 3; }));
  camera.expect("box-create-refused");
  main->control<CBitButtonNL>(CKivDlg::kCreateGroupButton)->click();
  camera.expect("box-shield-submitted");
  tree->setCurrentItem(tree->groupItem(20002));
  tree->runCommand(CKivTreeCtrl::kShieldGroup);
  tree->groupItem(20001)->setExpanded(true);
  settle();
  saveScreenshot(main, "main-tree-shielded-and-new");

  camera.expect("box-dismiss", true);
  tree->setCurrentItem(tree->groupItem(20001));
  tree->runCommand(CKivTreeCtrl::kDismissGroup);
  camera.expect("box-leave", true);
  tree->setCurrentItem(tree->groupItem(20002));
  tree->runCommand(CKivTreeCtrl::kQuitGroup);
  camera.expect("box-remove-member", true);
  tree->setCurrentItem(tree->memberItem(20001, 10004));
  tree->runCommand(CKivTreeCtrl::kRemoveMember);
  camera.expect("box-yourself");
  tree->setCurrentItem(tree->memberItem(20001, 10001));
  tree->runCommand(CKivTreeCtrl::kMemberChat);
  EXPECT_TRUE(camera.done());
  EXPECT_NE(tree->groupItem(20001), nullptr);
}

}  // namespace
}  // namespace kiv::test
