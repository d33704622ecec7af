#include "app/WelcomeWindow.h"

#include <QLabel>

#include "platform/Endpoint.h"
#include "skin/CPictureEx.h"

namespace kiv {

WelcomeWindow::WelcomeWindow(QWidget* parent) : CDlgBasic(144, parent) {
  setFixedSize(300, 190);
  placeTitleButtons();

  auto* title = new QLabel(QStringLiteral("欢迎使用木棉"), this);
  title->setFont(titleFont());
  title->setGeometry(20, 44, 260, 22);

  const QString endpoints =
      QStringLiteral("聊天服务器 %1\n头像服务器 %2")
          .arg(QString::fromStdString(chatServerEndpoint().text()), QString::fromStdString(webEndpoint().text()));
  auto* text = new QLabel(endpoints, this);
  text->setFont(textFont());
  text->setGeometry(20, 76, 260, 40);

  animation_ = new CPictureEx(this);
  if (animation_->Load(CPictureEx::kSignInAnimation) == 1) {
    animation_->move((width() - animation_->width()) / 2, 140);
    animation_->Draw();
  }
}

void WelcomeWindow::OnServerResponse(const PendingRequest&, const std::uint8_t*, std::uint32_t, std::uint32_t) {}

}  // namespace kiv
