#include "server/DemoSeeder.h"

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Gbk.h"
#include "server/AdminCommands.h"
#include "server/AvatarImage.h"
#include "server/MessageQueue.h"
#include "server/ServerLimits.h"
#include "server/WireTime.h"

namespace kiv::server {

namespace {

struct DemoUser {
  const char* phone;
  const char* nickname;
  const char* sex;
  const char* introduction;
  const char* city;
  const char* birthday;
  std::int32_t points;
};

const DemoUser kUsers[] = {
    {"13800000001", "张小明", "男", "喜欢摄影和旅行", "北京", "19900312", 120},
    {"13800000002", "李小红", "女", "周末一起打羽毛球吧", "上海", "19921108", 85},
    {"13800000003", "王大力", "男", "", "广州", "", 40},
    {"13800000004", "赵静", "女", "安静的读书人", "杭州", "19950520", 66},
    {"13800000005", "陈晨", "保密", "早起的鸟儿有虫吃", "成都", "", 10},
    {"13800000006", "刘洋", "男", "程序员,爱喝茶", "深圳", "19880101", 230},
};

}  // namespace

bool DemoSeeder::seed() {
  if (store_.accounts().accountByPhone(kUsers[0].phone)) {
    out_ << "demo data already present\n";
    return true;
  }
  std::vector<std::uint32_t> ids;
  for (const auto& u : kUsers) {
    const auto id = admin_.addUser(u.phone, kPassword, u.nickname);
    if (id == 0) return false;
    store_.accounts().updateProfile(id, gbk::fromUtf8(u.nickname), gbk::fromUtf8(u.sex), gbk::fromUtf8(u.introduction),
                                    u.birthday);
    store_.accounts().setExtras(id, u.points, gbk::fromUtf8(u.city));
    store_.avatars().putAvatar(false, id, AvatarImage::demo(id));
    ids.push_back(id);
    out_ << "user " << id << " " << u.phone << " " << u.nickname << "\n";
  }
  // The customer-service account can sign in in the demo.
  store_.accounts().setPassword(kServiceUserId, kPassword);
  store_.avatars().putAvatar(false, kServiceUserId, AvatarImage::demo(kServiceUserId));

  const std::pair<int, int> friendships[] = {{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 4}, {2, 5}, {3, 4}};
  for (const auto& [a, b] : friendships) {
    if (!admin_.addFriend(ids[a], ids[b])) return false;
  }

  const auto classmates = admin_.createGroup(ids[0], "木棉同学会");
  const auto badminton = admin_.createGroup(ids[1], "周末羽毛球");
  if (classmates == 0 || badminton == 0) return false;
  store_.groups().updateGroup(classmates, gbk::fromUtf8("木棉同学会"), gbk::fromUtf8("同事同学"),
                              gbk::fromUtf8("老同学聊天的地方"), 1);
  store_.groups().updateGroup(badminton, gbk::fromUtf8("周末羽毛球"), gbk::fromUtf8("体育天地"),
                              gbk::fromUtf8("每周六下午两点,体育馆见"), 1);
  for (int i : {1, 2, 3}) admin_.addMember(classmates, ids[i]);
  for (int i : {0, 4, 5}) admin_.addMember(badminton, ids[i]);
  store_.avatars().putAvatar(true, classmates, AvatarImage::demo(classmates));
  store_.avatars().putAvatar(true, badminton, AvatarImage::demo(badminton));
  out_ << "group " << classmates << " 木棉同学会\ngroup " << badminton << " 周末羽毛球\n";

  // Something to read at the first sign-in of 张小明 and 赵静.
  admin_.sendMessage(ids[1], "private", ids[0], "明天中午一起吃饭吗?");
  admin_.sendMessage(kServiceUserId, "private", ids[0], "欢迎使用木棉!有问题随时找我。");
  admin_.sendMessage(ids[2], "group", classmates, "周六的聚会大家都来吗?");
  admin_.sendMessage(ids[4], "private", ids[3], "你好,我是陈晨");
  // 李小红 has invited 赵静 into her group; 赵静 can accept from the message.
  store_.members().addInvitation(badminton, ids[3]);
  MessageQueue(store_).queueNotice(ids[3], ConversationKind::kPrivate, ids[1], ids[1],
                                   MessageQueue::invitationText(badminton, gbk::fromUtf8("周末羽毛球")),
                                   wireTime(SystemClock::instance().localNow()));
  out_ << "demo data added; every demo password is " << kPassword << "\n";
  return true;
}

}  // namespace kiv::server
