// How the main window shows the end of the connection: signed in elsewhere
// (one box, then the offline look), the server gone (the look alone), the
// user going offline (the look), and going online again.
#include <QCoreApplication>

#include "MainWindowFixture.h"
#include "platform/qtcore/UiThreadCall.h"

namespace kiv::test {
namespace {

using ConnectionEnd = MainWindowFixture;

bool isGrey(const QImage& image) {
  for (int y = 0; y < image.height(); y += 4)
    for (int x = 0; x < image.width(); x += 4) {
      const QColor c = image.pixelColor(x, y);
      if (c.red() != c.green() || c.green() != c.blue()) return false;
    }
  return true;
}

// Records what the main window showed while the box was up.
class LookAtTheBox : public MessagePresenter {
 public:
  explicit LookAtTheBox(CKivDlg& main) : main_(main) {}
  MessageAnswer present(const MessageRequest& request) override {
    // Read on the UI thread, which owns the window, while the asking thread
    // waits as it does for a real box.
    callOnThreadOf(QCoreApplication::instance(), [&] { iconWhileUp = main_.trayIconNumber(); });
    texts.push_back(request.text);
    return MessageAnswer::Ok;
  }
  std::vector<std::string> texts;
  int iconWhileUp = 0;

 private:
  CKivDlg& main_;
};

TEST_F(ConnectionEnd, SignedInElsewhereShowsOneBoxThenTheOfflineLookAndGoingOnlineRestoresTheOnlineLook) {
  EXPECT_EQ(main->trayIconNumber(), 128);
  EXPECT_FALSE(isGrey(main->ownAvatar()));
  LookAtTheBox presenter(*main);
  installMessagePresenter(&presenter);
  {
    ClientStack elsewhere(server, "13800000001", home.path() + "/elsewhere");
    ASSERT_TRUE(elsewhere.signIn(false));
    ASSERT_TRUE(waitFor([&] { return main->trayIconNumber() == 273; }));
    EXPECT_TRUE(stack->net.stopped());
    EXPECT_EQ(presenter.texts, std::vector<std::string>{"您的帐号因在其它地方登录被迫下线"}) << "shown once";
    EXPECT_EQ(presenter.iconWhileUp, 128) << "the offline look follows the box";
    EXPECT_TRUE(isGrey(main->ownAvatar()));
    EXPECT_EQ(main->trayIcon()->toolTip(), QStringLiteral("木棉"));
  }
  installMessagePresenter(&boxes);

  main->runSystemCommand(CKivDlg::kGoOnline);
  EXPECT_EQ(main->trayIconNumber(), 128);
  EXPECT_FALSE(isGrey(main->ownAvatar()));
  EXPECT_TRUE(waitFor([&] { return stack->net.loggedIn(); }));
  EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(ConnectionEnd, ServerGoneShowsTheOfflineLookWithoutABoxAndSoDoesGoingOfflineButNotExit) {
  server.stop();
  ASSERT_TRUE(waitFor([&] { return stack->net.stopped(); }));
  ASSERT_TRUE(waitFor([&] { return main->trayIconNumber() == 273; }));
  EXPECT_TRUE(isGrey(main->ownAvatar()));
  EXPECT_EQ(main->trayIcon()->toolTip(), QStringLiteral("木棉"));
  EXPECT_TRUE(boxes.texts().empty());

  ASSERT_TRUE(server.start());
  main->runSystemCommand(CKivDlg::kGoOnline);
  EXPECT_EQ(main->trayIconNumber(), 128);
  ASSERT_TRUE(waitFor([&] { return stack->net.loggedIn(); }));

  // The user going offline is offline too.
  main->runSystemCommand(CKivDlg::kGoOffline);
  EXPECT_TRUE(stack->net.stopped());
  EXPECT_EQ(main->trayIconNumber(), 273);
  EXPECT_TRUE(isGrey(main->ownAvatar()));

  // Leaving the program shows nothing more.
  main->runSystemCommand(CKivDlg::kGoOnline);
  ASSERT_TRUE(waitFor([&] { return stack->net.loggedIn(); }));
  main->runSystemCommand(CKivDlg::kExit);
  // Once the connection's threads have ended, all they had to say is queued.
  ASSERT_TRUE(waitFor([&] { return stack->net.waitForThreads(std::chrono::milliseconds(0)); }));
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(main->trayIconNumber(), 128);
  EXPECT_FALSE(isGrey(main->ownAvatar()));
  EXPECT_TRUE(boxes.texts().empty());
}

}  // namespace
}  // namespace kiv::test
