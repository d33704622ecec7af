// The login window empty, with a remembered account, and signing in with
// its animation.
#include "app/AppFixture.h"
#include "gallery/Screenshot.h"

namespace kiv::test {
namespace {

using LoginScene = AppFixture;

TEST_F(LoginScene, EmptyRememberedAndSigningIn) {
  CDlgLogin& empty = openLogin();
  saveScreenshot(&empty, "login-empty");
  app.reset();

  app = std::make_unique<CKivApp>(AppSettings{Endpoint{"127.0.0.1", server.chatPort()}, 1.0});
  app->store().ResolveProgramPaths();
  app->store().logins.OpenLoginDatabase();
  remember("13800000001", 10001, "123456");
  CDlgLogin& remembered = openLogin();
  saveScreenshot(&remembered, "login-remembered");
  click(CDlgLogin::kLogin);
  QTest::qWait(350);  // a few frames of the animation
  saveScreenshot(&remembered, "login-signing-in");
}

}  // namespace
}  // namespace kiv::test
