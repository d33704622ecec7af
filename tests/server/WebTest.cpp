// The avatar web port: upload with the client's own multipart code, then
// download; every refusal of the upload form.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <fstream>

#include "avatars/CHttpSendData.h"
#include "platform/TcpSocket.h"
#include "server/AvatarImage.h"
#include "server/MultipartForm.h"
#include "server/ServerFixture.h"

namespace kiv::test {
namespace {

HttpResult get(std::uint16_t port, const std::string& path) {
  return http(port, "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
}

class WebTest : public ServerFixture {
 protected:
  // Uploads `file` the way the profile windows do; the Send status.
  int upload(const std::string& phone, const std::string& password, std::uint32_t id, bool group,
             const std::string& file) {
    CHttpSendData send;
    send.setHost("127.0.0.1");
    send.setPort(server_->webPort());
    send.setPath("upload/pc_img_add.jsp");
    send.AddTextField("Crypt", "10");
    send.AddTextField("type", "200");
    send.AddTextField("loginuser", phone);
    send.AddTextField("loginpwd", password);
    send.AddNumberField("changid", static_cast<int>(id));
    send.AddNumberField("isgroup", group ? 1 : 0);
    return send.Send(file);
  }

  std::string writeFile(const std::string& name, const std::string& bytes) {
    const std::string path = dir_.file(name);
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
  }
};

TEST_F(WebTest, UploadedUserPictureIsServedAsJpeg) {
  const auto id = addUser("有头像");
  EXPECT_EQ(get(server_->webPort(), "/upload/user/" + std::to_string(id) + ".jpg").status, 404);

  const auto file = writeFile("me.jpg", server::AvatarImage::demo(7));
  EXPECT_EQ(upload(phoneOf(id), "pw", id, false, file), CHttpSendData::kSent);

  const auto got = get(server_->webPort(), "/upload/user/" + std::to_string(id) + ".jpg");
  EXPECT_EQ(got.status, 200);
  EXPECT_TRUE(server::AvatarImage::isJpeg(got.body));
  QImage image;
  ASSERT_TRUE(image.loadFromData(reinterpret_cast<const uchar*>(got.body.data()), static_cast<int>(got.body.size())));
  EXPECT_EQ(image.size(), QSize(70, 70));
}

TEST_F(WebTest, PngUploadIsStoredAsASmallJpegAndGroupPicturesNeedTheOwner) {
  const auto owner = addUser("群主");
  const auto member = addUser("成员");
  const auto group = admin().createGroup(owner, "有头像的群");
  admin().addMember(group, member);

  QImage big(1200, 800, QImage::Format_ARGB32);
  big.fill(QColor(10, 120, 200, 128));
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  ASSERT_TRUE(big.save(&buffer, "PNG"));
  const auto file = writeFile("group.png", std::string(png.constData(), static_cast<std::size_t>(png.size())));

  EXPECT_EQ(upload(phoneOf(member), "pw", group, true, file), CHttpSendData::kBadStatus);  // 403: not the owner
  EXPECT_EQ(get(server_->webPort(), "/upload/group/" + std::to_string(group) + ".jpg").status, 404);
  EXPECT_EQ(upload(phoneOf(owner), "pw", group, true, file), CHttpSendData::kSent);

  const auto got = get(server_->webPort(), "/upload/group/" + std::to_string(group) + ".jpg");
  ASSERT_EQ(got.status, 200);
  EXPECT_TRUE(server::AvatarImage::isJpeg(got.body));
  EXPECT_LE(got.body.size(), 256u * 1024u);
  QImage image;
  ASSERT_TRUE(image.loadFromData(reinterpret_cast<const uchar*>(got.body.data()), static_cast<int>(got.body.size())));
  EXPECT_EQ(image.width(), 256);  // scaled down, aspect kept
  EXPECT_NEAR(image.height(), 171, 1);
}

TEST_F(WebTest, UploadRefusals) {
  const auto id = addUser("用户");
  const auto other = addUser("别人");
  const auto picture = writeFile("ok.jpg", server::AvatarImage::demo(1));
  const auto text = writeFile("notes.txt", "not a picture at all");

  EXPECT_EQ(upload(phoneOf(id), "wrong", id, false, picture), CHttpSendData::kBadStatus);
  EXPECT_EQ(upload("13999999999", "pw", id, false, picture), CHttpSendData::kBadStatus);
  EXPECT_EQ(upload(phoneOf(id), "pw", other, false, picture), CHttpSendData::kBadStatus);
  EXPECT_EQ(upload(phoneOf(id), "pw", id, false, text), CHttpSendData::kBadStatus);
  EXPECT_EQ(upload(phoneOf(id), "pw", id, false, dir_.file("missing.jpg")), CHttpSendData::kBadStatus);
  EXPECT_FALSE(store_->avatars().avatar(false, id));

  // Status codes as such: 403 for credentials, 400 for a malformed form.
  const std::string body = "--b\r\nContent-Disposition: form-data; name=\"loginuser\"\r\n\r\n" + phoneOf(id) +
                           "\r\n--b\r\nContent-Disposition: form-data; name=\"loginpwd\"\r\n\r\nbad\r\n"
                           "--b\r\nContent-Disposition: form-data; name=\"changid\"\r\n\r\n" +
                           std::to_string(id) +
                           "\r\n--b\r\nContent-Disposition: form-data; name=\"isgroup\"\r\n\r\n0\r\n"
                           "--b\r\nContent-Disposition: form-data; name=\"filename\"; filename=\"a.jpg\"\r\n\r\nxx\r\n"
                           "--b--";
  auto post = [&](const std::string& type, const std::string& payload) {
    return http(server_->webPort(),
                "POST /upload/pc_img_add.jsp HTTP/1.1\r\nHost: x\r\nConnection: close\r\n"
                "Content-Type: " +
                    type + "\r\nContent-Length: " + std::to_string(payload.size()) + "\r\n\r\n" + payload)
        .status;
  };
  EXPECT_EQ(post("multipart/form-data; boundary=b", body), 403);
  EXPECT_EQ(post("multipart/form-data; boundary=b", body.substr(0, body.size() / 2)), 400);
  EXPECT_EQ(post("multipart/form-data", body), 400);
  EXPECT_EQ(post("text/plain", body), 400);
  EXPECT_EQ(get(server_->webPort(), "/upload/user/abc.jpg").status, 404);
  EXPECT_EQ(get(server_->webPort(), "/upload/pc_img_add.jsp").status, 405);
  EXPECT_EQ(get(server_->webPort(), "/").status, 404);
}

TEST(MultipartFormTest, ReadsTheClientsLayout) {
  const std::string boundary(CHttpSendData::kBoundary);
  const std::string body =
      "--" + boundary + "\r\nContent-Disposition: form-data; name=\"loginuser\"\r\n\r\n13800000001\r\n--" + boundary +
      "\r\nContent-Disposition: form-data; name=\"filename\"; filename=\"C:\\pics\\a;b.jpg\"\r\n"
      "Content-Type: image/pjpeg\r\n\r\n\r\n--x\r\n\xFF\r\n--" +
      boundary + "\r\nContent-Disposition: form-data; name=\"Submit\"\r\n\r\nsubmit\r\n--" + boundary + "--";
  const auto form = server::MultipartForm::parse("multipart/form-data; boundary=" + boundary, body);
  ASSERT_TRUE(form);
  EXPECT_EQ(form->field("loginuser"), "13800000001");
  EXPECT_EQ(form->field("Submit"), "submit");
  EXPECT_FALSE(form->field("loginpwd"));
  ASSERT_TRUE(form->file());
  EXPECT_EQ(form->file()->fileName, "C:\\pics\\a;b.jpg");
  EXPECT_EQ(form->file()->contentType, "image/pjpeg");
  EXPECT_EQ(form->file()->data, "\r\n--x\r\n\xFF");  // line breaks inside the file are kept

  EXPECT_FALSE(server::MultipartForm::parse("multipart/form-data; boundary=\"" + boundary + "\"", "garbage"));
  EXPECT_TRUE(server::MultipartForm::parse("Multipart/Form-Data; boundary=\"q\"", "--q--"));
}

TEST(MultipartFormTest, RefusesBrokenBodies) {
  const std::string type = "multipart/form-data; boundary=q";
  const std::string part = "--q\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n1\r\n";
  const std::string file = "--q\r\nContent-Disposition: form-data; name=\"f\"; filename=\"x.jpg\"\r\n\r\nJ\r\n";
  ASSERT_TRUE(server::MultipartForm::parse(type, part + "--q--"));

  // Cut off: no closing delimiter, headers without their blank line, nothing after a delimiter.
  EXPECT_FALSE(server::MultipartForm::parse(type, part));
  EXPECT_FALSE(server::MultipartForm::parse(type, "--q\r\nContent-Disposition: form-data; name=\"a\"\r\n"));
  EXPECT_FALSE(server::MultipartForm::parse(type, "--q"));
  EXPECT_FALSE(server::MultipartForm::parse(type, ""));
  // A part without a name, a name whose quote never closes, two pictures in one upload.
  EXPECT_FALSE(server::MultipartForm::parse(type, "--q\r\nContent-Disposition: form-data\r\n\r\n1\r\n--q--"));
  EXPECT_FALSE(server::MultipartForm::parse(type, "--q\r\nContent-Disposition: form-data; name=\"a\r\n\r\n1\r\n--q--"));
  EXPECT_FALSE(server::MultipartForm::parse(type, file + file + "--q--"));
  // Not a form, or a form without a usable boundary.
  EXPECT_FALSE(server::MultipartForm::parse("text/plain; boundary=q", part + "--q--"));
  EXPECT_FALSE(server::MultipartForm::parse("multipart/form-data", part + "--q--"));
  EXPECT_FALSE(server::MultipartForm::parse("multipart/form-data; boundary=\"\"", "----"));
  EXPECT_FALSE(server::MultipartForm::parse("multipart/form-data; boundary=" + std::string(201, 'b'), "--"));
}

}  // namespace
}  // namespace kiv::test
