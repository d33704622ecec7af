#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <vector>

#include "net/LoginMessages.h"
#include "net/LogoutMessages.h"
#include "net/Packet.h"
#include "net/SmsPasswordMessages.h"
#include "net/UserInfoMessages.h"
#include "platform/Gbk.h"

namespace kiv {
namespace {

using Bytes = std::vector<std::uint8_t>;

HeaderKey exampleKey() {
  std::tm t{};
  t.tm_mon = 11;
  t.tm_mday = 7;
  t.tm_hour = 3;
  t.tm_min = 17;
  t.tm_sec = 5;
  return {accountFromPhone("13800000000"), timeStampOf(t), 42};
}

TEST(MessagesLogin, UserInfoRequestExampleBytes) {
  const Bytes expected = {0x00, 0x00, 0x00, 0x1C, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x03, 0x36, 0x8B,
                          0x4A, 0x00, 0x47, 0xF1, 0xD7, 0x99, 0x00, 0x00, 0x00, 0x2A, 0x00, 0x00, 0x03, 0xE8};
  EXPECT_EQ(UserInfoRequest{1000}.build(exampleKey()), expected);

  // The answer carries the command 0x80000003 and the same sixteen key bytes.
  const Bytes answer = UserInfoResponse{}.build(keyOf(expected.data()));
  ASSERT_EQ(answer.size(), UserInfoResponse::kLength);
  EXPECT_EQ(Bytes(answer.begin() + 4, answer.begin() + 8), (Bytes{0x80, 0x00, 0x00, 0x03}));
  EXPECT_EQ(Bytes(answer.begin() + 8, answer.begin() + 24), Bytes(expected.begin() + 8, expected.end() - 4));
  EXPECT_TRUE(pairs(expected.data(), answer.data()));
}

TEST(MessagesLogin, LoginRequestLayoutWithFullWidthPassword) {
  const Bytes p = LoginRequest{"13800000000", "0123456789abcdefXYZ"}.build(exampleKey());
  ASSERT_EQ(p.size(), 66u);
  EXPECT_EQ(getU32(p.data(), 4), 1u);
  EXPECT_EQ(std::string(p.begin() + 24, p.begin() + 35), "13800000000");
  EXPECT_EQ(p[35], 0);
  // Bounded: 15 characters and the terminator.
  EXPECT_EQ(std::string(p.begin() + 45, p.begin() + 60), "0123456789abcde");
  EXPECT_EQ(p[60], 0);
  EXPECT_EQ(p[61], 5);
  EXPECT_EQ(getU32(p.data(), 62), 0u);

  const LoginRequest back = LoginRequest::read(p.data(), p.size());
  EXPECT_EQ(back.phone, "13800000000");
  EXPECT_EQ(back.password, "0123456789abcde");
  EXPECT_EQ(back.clientVersion, 5);
}

TEST(MessagesLogin, SmsPasswordHasUnterminatedPhoneAndShortAnswer) {
  const Bytes p = SmsPasswordRequest{"13800000000"}.build(exampleKey());
  ASSERT_EQ(p.size(), 45u);
  EXPECT_EQ(std::string(p.begin() + 24, p.begin() + 35), "13800000000");
  EXPECT_EQ(Bytes(p.begin() + 35, p.end()), Bytes(10, 0));
  EXPECT_EQ(SmsPasswordRequest::read(p.data(), p.size()).phone, "13800000000");

  const Bytes a = SmsPasswordResponse{SmsPasswordResponse::kNotAUser}.build(keyOf(p.data()));
  EXPECT_EQ(a.size(), SmsPasswordResponse::kLength);
  EXPECT_EQ(SmsPasswordResponse::read(a.data(), a.size()).result, 1);
}

TEST(MessagesLogin, HeaderOnlyLogout) {
  const Bytes req = LogoutRequest{}.build(exampleKey());
  EXPECT_EQ(req.size(), 24u);
  EXPECT_EQ(getU32(req.data(), 0), 24u);
  EXPECT_EQ(getU32(req.data(), 4), 16u);
  const Bytes ans = LogoutResponse{}.build(keyOf(req.data()));
  EXPECT_EQ(ans.size(), 24u);
  EXPECT_EQ(commandOf(ans.data()), 0x80000010u);
}

TEST(MessagesLogin, UserInfoResponseFieldsAtFullWidth) {
  UserInfoResponse m;
  m.status = 0;
  m.userId = 123456;
  m.nickname = "ABCDEFGHIJKLMNOPQR";  // 18 bytes: bounded to 15
  m.sex = gbk::fromUtf8("保密");      // all four bytes, no terminator
  m.introduction = std::string(60, 'i');
  m.points = -7;
  m.city = "Guangzhou!!";
  m.birthday = "19991231";
  const Bytes p = m.build(exampleKey());
  EXPECT_EQ(p[29 + 15], 0);
  EXPECT_EQ(std::string(p.begin() + 45, p.begin() + 49), gbk::fromUtf8("保密"));
  EXPECT_EQ(std::string(p.begin() + 114, p.begin() + 122), "19991231");

  const UserInfoResponse back = UserInfoResponse::read(p.data(), p.size());
  EXPECT_EQ(back.userId, 123456u);
  EXPECT_EQ(back.nickname, "ABCDEFGHIJKLMNO");
  EXPECT_EQ(back.sex, gbk::fromUtf8("保密"));
  EXPECT_EQ(back.introduction, std::string(49, 'i'));
  EXPECT_EQ(back.points, -7);
  EXPECT_EQ(back.city, "Guangzhou");
  EXPECT_EQ(back.birthday, "19991231");
}

}  // namespace
}  // namespace kiv
