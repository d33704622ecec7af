#include "app/CDlgLogin.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QScreen>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <algorithm>
#include <thread>

#include "model/ClientSession.h"
#include "model/ContactModel.h"
#include "net/NetClient.h"
#include "net/SmsPasswordExchange.h"
#include "net/UserInfoMessages.h"
#include "platform/MessageBox.h"
#include "platform/qt/GbkQt.h"
#include "platform/qtcore/UiThreadCall.h"
#include "skin/CPictureEx.h"
#include "skin/ResourceLoader.h"
#include "avatars/Avatars.h"

namespace kiv {
namespace {

constexpr int kDefaultPicture = 149;
constexpr int kPictureSize = 70;

QString smsAnswerText(int result, const QString& phone) {
  switch (result) {
    case SmsPasswordExchange::kConnectFailed:
      return QStringLiteral("尝试连接服务器失败");
    case 0:
      return QStringLiteral("密码已经发送到你的手机,请注意查收");
    case 1:
      return phone + QStringLiteral("还不木棉用户,请核查您的手机号");
    case 2:
      return QStringLiteral("手机号输入不正确,请核查您的手机号");
    default:
      return QStringLiteral("获得密码失败,请稍后再试");
  }
}

}  // namespace

CDlgLogin::CDlgLogin(ClientSession& session, AppSettings settings, QWidget* parent)
    : CDlgBasic(parent), session_(session), settings_(std::move(settings)) {
  setFixedSize(330, 214);
  placeTitleButtons();
  buildControls();
  timer_.setInterval(paced(kTickMs));
  connect(&timer_, &QTimer::timeout, this, &CDlgLogin::onTick);
  // The own profile the connection asks for after each sign-in: its
  // arrival is one of the signs that the sign-in is complete.
  session_.net.setLoginAsker(
      session_.relay().listen(this, [this](const UserInfoRequest&, const UserInfoResponse& profile) {
        ownProfileArrived(profile);
      }));
}

CDlgLogin::~CDlgLogin() {
  session_.net.setLoginAsker(0);
}

int CDlgLogin::paced(int ms) const {
  return std::max(1, static_cast<int>(ms * settings_.pace));
}

void CDlgLogin::buildControls() {
  picture_ = new QLabel(this);
  picture_->setProperty("controlId", kPicture);
  picture_->setAccessibleName(QStringLiteral("头像"));
  picture_->setGeometry(18, 42, kPictureSize, kPictureSize);
  picture_->setPixmap(ResourceLoader::bitmap(kDefaultPicture));

  auto* phoneLabel = new QLabel(QStringLiteral("手机号码:"), this);
  phoneLabel->setGeometry(102, 44, 62, 22);
  phone_ = new QComboBox(this);
  phone_->setProperty("controlId", kPhone);
  phone_->setEditable(true);
  phone_->setInsertPolicy(QComboBox::NoInsert);
  phone_->setGeometry(166, 44, 130, 22);
  phone_->setAccessibleName(QStringLiteral("手机号码"));
  phone_->lineEdit()->setAccessibleName(QStringLiteral("手机号码"));
  phone_->lineEdit()->setMaxLength(kPhoneLength);
  phone_->lineEdit()->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,11}")), phone_));
  phoneLabel->setBuddy(phone_);

  remove_ = new QPushButton(QStringLiteral("×"), this);
  remove_->setProperty("controlId", kRemoveAccount);
  remove_->setGeometry(300, 47, 16, 16);
  remove_->setToolTip(QStringLiteral("消除帐号"));
  remove_->setAccessibleName(QStringLiteral("消除帐号"));
  remove_->setFocusPolicy(Qt::NoFocus);
  remove_->setAutoDefault(false);

  auto* passwordLabel = new QLabel(QStringLiteral("密   码:"), this);
  passwordLabel->setGeometry(102, 76, 62, 22);
  password_ = new QLineEdit(this);
  password_->setProperty("controlId", kPassword);
  password_->setEchoMode(QLineEdit::Password);
  password_->setMaxLength(kPasswordLength);
  password_->setGeometry(166, 76, 130, 22);
  password_->setAccessibleName(QStringLiteral("密码"));
  passwordLabel->setBuddy(password_);

  remember_ = new QCheckBox(QStringLiteral("记住密码"), this);
  remember_->setProperty("controlId", kRememberPassword);
  remember_->setGeometry(102, 108, 86, 20);
  autoLogin_ = new QCheckBox(QStringLiteral("自动登录"), this);
  autoLogin_->setProperty("controlId", kAutoLogin);
  autoLogin_->setGeometry(196, 108, 86, 20);

  forgot_ = new QPushButton(QStringLiteral("忘记密码"), this);
  forgot_->setProperty("controlId", kForgotPassword);
  forgot_->setGeometry(102, 150, 86, 26);
  forgot_->setAutoDefault(false);
  login_ = new QPushButton(QStringLiteral("登录"), this);
  login_->setProperty("controlId", kLogin);
  login_->setGeometry(210, 150, 86, 26);
  login_->setDefault(true);

  loggingIn_ = new QLabel(QStringLiteral("正在登录中..."), this);
  loggingIn_->setProperty("controlId", kLoggingIn);
  loggingIn_->setGeometry(102, 140, 194, 20);
  loggingIn_->hide();
  animation_ = new CPictureEx(this);
  animation_->setProperty("controlId", kAnimation);
  animation_->setAccessibleName(QStringLiteral("正在登录中..."));
  animation_->move(102, 166);
  animation_->hide();

  for (QWidget* child : findChildren<QWidget*>()) child->setFont(textFont());

  connect(phone_, &QComboBox::currentIndexChanged, this, &CDlgLogin::selectAccount);
  connect(remove_, &QPushButton::clicked, this, &CDlgLogin::removeAccount);
  connect(forgot_, &QPushButton::clicked, this, &CDlgLogin::forgotPassword);
  connect(login_, &QPushButton::clicked, this, &CDlgLogin::startLogin);
  connect(autoLogin_, &QCheckBox::toggled, this, [this](bool on) {
    if (on) remember_->setChecked(true);
  });
  connect(remember_, &QCheckBox::toggled, this, [this](bool on) {
    if (!on) autoLogin_->setChecked(false);
  });
}

// --- opening and the remembered accounts

void CDlgLogin::OnInitDialog() {
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  accounts_.load(session_.store);
  // The most recent sign-in first: that is the account the user most
  // likely wants again, unless one was chosen to sign in by itself. The list
  // is there also while that runs, should it fail.
  QSignalBlocker quiet(phone_);
  for (const std::int32_t userId : accounts_.newestFirst()) phone_->addItem(fromGbk(accounts_.phone(userId)), userId);
  if (const std::int32_t automatic = accounts_.automaticSignIn(); automatic != 0) {
    phone_->setCurrentIndex(phone_->findData(automatic));
    password_->setText(fromGbk(accounts_.password(automatic)));
    remember_->setChecked(true);
    autoLogin_->setChecked(true);
    showPicture(automatic);
    startLogin();
    return;
  }
  quiet.unblock();
  if (phone_->count() == 0) return;
  const std::int32_t chosen = accounts_.automaticChoice();
  const int index = chosen != 0 ? phone_->findData(chosen) : 0;
  phone_->setCurrentIndex(index);
  selectAccount(index);
  // Its password was not remembered: the choice stays ticked, for the user
  // to type the password once.
  if (chosen != 0) autoLogin_->setChecked(true);
}

bool CDlgLogin::runSignIn() {
  OnInitDialog();
  return exec() == Accepted;
}

void CDlgLogin::selectAccount(int index) {
  if (index < 0) return;
  const std::int32_t userId = phone_->itemData(index).toInt();
  if (userId < 1 || accounts_.phone(userId).empty()) return;
  if (const std::string password = accounts_.password(userId); !password.empty()) {
    password_->setText(fromGbk(password));
    remember_->setChecked(true);
  } else {
    // The account chosen before must not lend its password to this one.
    password_->clear();
    remember_->setChecked(false);
  }
  showPicture(userId);
}

void CDlgLogin::showPicture(std::int32_t userId) {
  pictureOf_ = userId;
  const QImage fallback = ResourceLoader::bitmapImage(kDefaultPicture);
  if (userId < 1) {
    picture_->setPixmap(QPixmap::fromImage(fallback));
    return;
  }
  // The account's own cache holds its avatar from its last sign-in.
  const AvatarLoad load =
      LoadAvatar(userId, userId, false, kPictureSize, fallback, onUiThread(this, [this, userId](const QImage& image) {
                   if (!image.isNull() && pictureOf_ == userId) picture_->setPixmap(QPixmap::fromImage(image));
                 }));
  picture_->setPixmap(QPixmap::fromImage(load.picture.isNull() ? fallback : load.picture));
}

void CDlgLogin::removeAccount() {
  // The account whose number is in the box, whatever was chosen before.
  const std::string phone = toGbk(phone_->currentText());
  std::int32_t userId = accounts_.find(phone);
  if (userId == 0 || session_.store.DeleteLogin(phone) != 1) return;
  {
    const QSignalBlocker quiet(phone_);
    for (; userId != 0; userId = accounts_.find(phone)) {
      accounts_.forget(userId);
      phone_->removeItem(phone_->findData(userId));
    }
    phone_->setCurrentIndex(-1);
  }
  phone_->setEditText(QString());
  password_->clear();
  showPicture(0);
}

// --- forgotten password

void CDlgLogin::forgotPassword() {
  const QString phone = phone_->currentText();
  if (phone.isEmpty()) {
    showMessage("请先输入手机号");
    return;
  }
  if (smsRunning_) return;
  smsRunning_ = true;
  forgot_->setEnabled(false);
  // The exchange may take several seconds (a connect, a seven-second
  // answer wait): it runs beside the window, which stays usable.
  QPointer<CDlgLogin> self(this);
  const Endpoint server = settings_.server;
  const std::string phoneGbk = toGbk(phone);
  std::thread([self, server, phoneGbk, phone] {
    const int result = SmsPasswordExchange(server).RequestSmsPassword(phoneGbk);
    postToThreadOf(QCoreApplication::instance(), [self, result, phone] {
      if (!self) return;
      self->smsRunning_ = false;
      self->forgot_->setEnabled(true);
      showMessage(smsAnswerText(result, phone).toStdString());
    });
  }).detach();
}

// --- signing in

void CDlgLogin::startLogin() {
  const QString phone = phone_->currentText();
  const QString password = password_->text();
  if (phone.isEmpty() || password.isEmpty() || running_) return;
  if (phone.size() != kPhoneLength) {
    showMessage("请输入正确的手机号!");
    return;
  }
  session_.login.phone = toGbk(phone);
  session_.login.password = toGbk(password);
  session_.net.SetServer(settings_.server.host, settings_.server.port);
  session_.net.SetAccount(session_.login.phone, session_.login.password);
  running_ = true;
  closing_ = false;
  ticks_ = 0;
  profileArrived_ = false;
  friendListArrived_ = false;
  timer_.start();
  session_.net.Start();
  showInputs(false);
  if (animation_->isLoaded() || animation_->Load(CPictureEx::kSignInAnimation) == 1) animation_->Draw();
}

void CDlgLogin::showInputs(bool inputs) {
  login_->setVisible(inputs);
  forgot_->setVisible(inputs);
  remember_->setVisible(inputs);
  autoLogin_->setVisible(inputs);
  loggingIn_->setVisible(!inputs);
  animation_->setVisible(!inputs);
}

void CDlgLogin::onTick() {
  if (!running_ || closing_) return;
  if (++ticks_ > kTimeoutTicks) {
    stopLogin(true);
    return;
  }
  if (session_.net.stopped()) {
    // Refused (the refusal was shown already) or out of attempts.
    stopLogin(false);
    return;
  }
  checkSignedIn();
}

void CDlgLogin::checkSignedIn() {
  if (!running_ || closing_) return;
  if (!session_.net.connected() || !session_.net.loggedIn() || !profileArrived_ || !friendListArrived_) return;
  profileArrived_ = false;
  friendListArrived_ = false;
  session_.login.rememberPassword = remember_->isChecked() ? 1 : 0;
  session_.login.autoLogin = autoLogin_->isChecked() ? 1 : 0;
  timer_.stop();
  closing_ = true;
  // A pause to see the sign-in finish; the window stays responsive.
  QTimer::singleShot(paced(kClosingPauseMs), this, &CDlgLogin::finishSignIn);
}

void CDlgLogin::finishSignIn() {
  animation_->Stop();
  animation_->hide();
  running_ = false;
  closing_ = false;
  accept();
}

void CDlgLogin::stopLogin(bool timedOut) {
  timer_.stop();
  ticks_ = 0;
  running_ = false;
  session_.net.Stop();
  animation_->Stop();
  showInputs(true);
  if (timedOut) showMessage("连接服务器超时！");
}

void CDlgLogin::done(int result) {
  // Closed while signing in: the sign-in is abandoned, the program ends.
  if (result != Accepted && running_) {
    closing_ = false;
    stopLogin(false);
  }
  CDlgBasic::done(result);
}

void CDlgLogin::friendListApplied() {
  if (!running_) return;
  friendListArrived_ = true;
  checkSignedIn();
}

void CDlgLogin::ownProfileArrived(const UserInfoResponse& profile) {
  if (!running_) return;
  // A refused profile stops the connection; the next tick sees it.
  if (profile.status != 0) return;
  profileArrived_ = true;
  checkSignedIn();
}

}  // namespace kiv
