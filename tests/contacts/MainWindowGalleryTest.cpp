// With KIV_SCREENSHOTS=dir: the main window on each tab with the demo data,
// a hover row, each menu and the grey own avatar.
#include <QMenu>

#include "MainWindowFixture.h"
#include "support/QtScreenshot.h"

namespace kiv::test {
namespace {

class MainWindowGallery : public MainWindowFixture {
 protected:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("KIV_SCREENSHOTS")) GTEST_SKIP() << "KIV_SCREENSHOTS is not set";
    MainWindowFixture::SetUp();
  }
  // Lets the avatars arrive from the web port.
  static void settle() { QTest::qWait(400); }
  static void shootMenu(QMenu* menu, const QString& name) {
    menu->popup(QPoint(0, 0));
    QTest::qWait(50);
    saveScreenshot(menu, name);
    menu->hide();
  }
};

TEST_F(MainWindowGallery, TabsHoverMenusAndOfflineAvatar) {
  auto* tree = main->tree();
  tree->groupItem(20001)->setExpanded(true);
  tree->groupItem(20002)->setExpanded(true);
  settle();
  QTest::mouseMove(tree->viewport(), tree->visualItemRect(tree->memberItem(20001, 10003)).center());
  settle();
  saveScreenshot(main.get(), "main-groups-hover");
  shootMenu(tree->prepareMenu(tree->visualItemRect(tree->groupItem(20001)).center()), "menu-133-own-group");
  shootMenu(tree->prepareMenu(tree->visualItemRect(tree->memberItem(20002, 10005)).center()), "menu-133-member");

  main->selectTab(CKivDlg::kFriendsTab);
  auto* friends = main->friendList();
  settle();
  QTest::mouseMove(friends->viewport(), friends->visualItemRect(friends->item(1)).center());
  saveScreenshot(main.get(), "main-friends-hover");
  shootMenu(friends->prepareMenu(friends->visualItemRect(friends->item(0)).center()), "menu-132-row");
  shootMenu(friends->prepareMenu(QPoint(5, friends->viewport()->height() - 5)), "menu-132-empty");

  main->selectTab(CKivDlg::kStrangersTab);
  settle();
  saveScreenshot(main.get(), "main-strangers");
  auto* strangers = main->strangerList();
  shootMenu(strangers->prepareMenu(strangers->visualItemRect(strangers->item(0)).center()), "menu-134");
  shootMenu(main->prepareSystemMenu(), "menu-142-online");

  main->refreshOwnAvatar(true);
  settle();
  saveScreenshot(main.get(), "main-offline-avatar");
}

}  // namespace
}  // namespace kiv::test
