// The upload form as an attack: huge fields that swelled the log and the
// memory, bodies beyond the limit, and picture formats nobody promised.
#include <QBuffer>
#include <QImage>

#include "security/SecurityFixture.h"
#include "server/AvatarImage.h"

namespace kiv::test {
namespace {

std::string png() {
  QImage image(8, 8, QImage::Format_RGB32);
  image.fill(Qt::red);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

TEST_F(SecurityTest, HugeFieldsAndBodiesAreRefusedUnreadAndTheLogStaysShort) {
  const auto id = addUser("头像");
  whileAttacking(
      [&] {
        for (int i = 0; i < 10; ++i) {
          // A field just within the body limit, and a body announced beyond it.
          EXPECT_EQ(http(uploadRequest(std::string(1024 * 1024, '\x80'), "wrong", id, "x"), "127.0.0.2"), 400);
          const std::string huge = "POST /upload/pc_img_add.jsp HTTP/1.1\r\nContent-Length: 3000000\r\n\r\n";
          EXPECT_EQ(http(huge, "127.0.0.2"), 413);
        }
      },
      [&] { EXPECT_EQ(http(uploadRequest(phoneOf(id), "pw", id, png())), 200); });
  EXPECT_TRUE(store_->avatars().avatar(false, id));
  for (const auto& line : server_->log().lines()) EXPECT_LE(line.size(), 1100u);
}

TEST_F(SecurityTest, OnlyJpegPngGifAndBmpAreTakenByTheirBytes) {
  const auto id = addUser("格式");
  const std::string xpm = "/* XPM */\nstatic char *x[] = {\"1 1 1 1\", \"a c #ff0000\", \"a\"};\n";
  EXPECT_EQ(http(uploadRequest(phoneOf(id), "pw", id, xpm)), 400);
  EXPECT_FALSE(store_->avatars().avatar(false, id));
  EXPECT_EQ(server::AvatarImage::formatOf(png()), std::string("png"));
  EXPECT_EQ(server::AvatarImage::formatOf(server::AvatarImage::demo(1)), std::string("jpeg"));
  EXPECT_EQ(http(uploadRequest(phoneOf(id), "pw", id, png())), 200);
}

}  // namespace
}  // namespace kiv::test
