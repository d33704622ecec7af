#include "app/WelcomeWindow.h"

#include <gtest/gtest.h>
#include <QLabel>

#include "skin/CPictureEx.h"
#include "support/QtScreenshot.h"
#include "support/TempDir.h"

namespace kiv {
namespace {

TEST(WelcomeWindow, ShowsTheEndpointsAndAnimatesTheSignInPicture) {
  test::ScopedEnv server("KIV_SERVER", "127.0.0.1:17838");
  WelcomeWindow window;
  window.show();
  EXPECT_EQ(window.windowTitle(), QStringLiteral("木棉"));
  bool sawServer = false;
  for (auto* label : window.findChildren<QLabel*>())
    sawServer = sawServer || label->text().contains(QStringLiteral("127.0.0.1:17838"));
  EXPECT_TRUE(sawServer);
  auto* animation = window.findChild<CPictureEx*>();
  ASSERT_NE(animation, nullptr);
  EXPECT_TRUE(animation->isAnimated());
  EXPECT_TRUE(animation->isPlaying());
  test::saveScreenshot(&window, "app-welcome");
}

}  // namespace
}  // namespace kiv
