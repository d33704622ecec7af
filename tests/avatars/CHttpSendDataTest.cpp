#include "avatars/CHttpSendData.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "avatars/LocalHttpServer.h"
#include "support/TempDir.h"

namespace kiv {
namespace {

const std::string kB = "-------------2389jhrwfjsjd9823";

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// A port on 127.0.0.1 where nobody listens.
std::uint16_t closedPort() {
  test::LocalHttpServer probe([](const test::HttpRequest&) { return test::HttpReply{}; });
  return probe.port();  // closed again when the probe goes away
}

// The form the avatar upload sends, against `server`.
int sendAvatarForm(CHttpSendData& form, std::uint16_t port, const std::string& file) {
  form.setHost("127.0.0.1");
  form.setPort(port);
  form.setPath("upload/pc_img_add.jsp");
  form.AddTextField("Crypt", "10");
  form.AddTextField("type", "200");
  form.AddTextField("loginuser", "13800000001");
  form.AddTextField("loginpwd", "pw'\"x");
  form.AddNumberField("changid", 7788);
  form.AddNumberField("isgroup", 0);
  return form.Send(file);
}

TEST(CHttpSendData, PostsTheFormByteForByteWithTheAnnouncedLength) {
  test::TempDir dir;
  const std::string file = dir.file("face.Jpeg");
  std::string picture("\xFF\xD8\xFF\xE0", 4);
  for (int i = 0; i < 20000; ++i) picture += static_cast<char>(i * 31);  // crosses the 8 KiB chunks
  writeFile(file, picture);
  test::LocalHttpServer server([](const test::HttpRequest&) { return test::HttpReply{200, "ok-body"}; });

  CHttpSendData form;
  ASSERT_EQ(sendAvatarForm(form, server.port(), file), CHttpSendData::kSent);

  const std::string expected = "--" + kB + "\r\nContent-Disposition: form-data; name=\"Crypt\"\r\n\r\n10\r\n" + "--" +
                               kB + "\r\nContent-Disposition: form-data; name=\"type\"\r\n\r\n200\r\n" + "--" + kB +
                               "\r\nContent-Disposition: form-data; name=\"loginuser\"\r\n\r\n13800000001\r\n" + "--" +
                               kB + "\r\nContent-Disposition: form-data; name=\"loginpwd\"\r\n\r\npw'\"x\r\n" + "--" +
                               kB + "\r\nContent-Disposition: form-data; name=\"changid\"\r\n\r\n7788\r\n" + "--" + kB +
                               "\r\nContent-Disposition: form-data; name=\"isgroup\"\r\n\r\n0\r\n" + "--" + kB +
                               "\r\nContent-Disposition: form-data; name=\"filename\"; filename=\"" + file +
                               "\"\r\nContent-Type: image/pjpeg\r\n\r\n" + picture + "\r\n--" + kB +
                               "\r\nContent-Disposition: form-data; name=\"Submit\"\r\n\r\nsubmit\r\n--" + kB + "--";
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].target, "/upload/pc_img_add.jsp");
  EXPECT_EQ(requests[0].announcedLength, expected.size());
  EXPECT_TRUE(requests[0].body == expected) << "body differs";
  EXPECT_NE(requests[0].headers.find("Content-Type: multipart/form-data; boundary=" + kB + "\r\n"), std::string::npos);
  EXPECT_NE(requests[0].headers.find("Accept-Language: zh-cn\r\n"), std::string::npos);
  EXPECT_NE(requests[0].headers.find("Cache-Control: no-cache\r\n"), std::string::npos);
  EXPECT_EQ(requests[0].headers.find("Expect:"), std::string::npos);
  // What requestHeaders() shows for inspection is what went out.
  const std::string shown = CHttpSendData::requestHeaders();
  for (std::size_t start = 0, end; (end = shown.find("\r\n", start)) != std::string::npos && end > start;
       start = end + 2) {
    EXPECT_NE(requests[0].headers.find(shown.substr(start, end - start + 2)), std::string::npos)
        << shown.substr(start, end - start);
  }
}

TEST(CHttpSendData, HandsOutTheResponseBodyUpToItsCap) {
  test::TempDir dir;
  writeFile(dir.file("a.png"), "PNGDATA");
  std::atomic<std::size_t> size{0};  // 0: a short answer
  test::LocalHttpServer server([&](const test::HttpRequest&) {
    return test::HttpReply{200, size == 0 ? std::string("saved 1") : std::string(size, 'x')};
  });
  const char* response = nullptr;
  std::size_t length = 0;
  {
    CHttpSendData form;
    form.setPort(server.port());
    ASSERT_EQ(form.Send(dir.file("a.png"), &response, &length), CHttpSendData::kSent);
    EXPECT_EQ(std::string(response, length), "saved 1");
    EXPECT_EQ(server.requests().at(0).target, "/posttest.asp");
  }
  size = CHttpSendData::kMaxResponseBytes;
  {
    CHttpSendData form;
    form.setPort(server.port());
    ASSERT_EQ(form.Send(dir.file("a.png"), &response, &length), CHttpSendData::kSent);
    EXPECT_EQ(length, CHttpSendData::kMaxResponseBytes);
  }
  // A host that would fill the memory with its answer is not listened to.
  size = CHttpSendData::kMaxResponseBytes + 1;
  CHttpSendData form;
  form.setPort(server.port());
  EXPECT_EQ(form.Send(dir.file("a.png")), CHttpSendData::kNetworkError);
}

TEST(CHttpSendData, RealMultipartParserReadsTheFormBack) {
  if (std::system("python3 -c 'import email' >/dev/null 2>&1") != 0) GTEST_SKIP() << "python3 not available";
  test::TempDir dir;
  const std::string file = dir.file("pic.gif");
  // Binary content, a NUL and a boundary-like "--" inside. (No CR LF: the
  // mail parser turns those into plain line feeds inside parts.)
  const std::string picture = std::string("GIF89a\0--\x01\xFF\x80", 12) + std::string(100, 'z');
  writeFile(file, picture);
  test::LocalHttpServer server([](const test::HttpRequest&) { return test::HttpReply{200, ""}; });
  CHttpSendData form;
  ASSERT_EQ(sendAvatarForm(form, server.port(), file), CHttpSendData::kSent);

  const std::string message = dir.file("message");
  writeFile(message,
            "Content-Type: multipart/form-data; boundary=\"" + kB + "\"\r\n\r\n" + server.requests().at(0).body);
  const std::string script = dir.file("parse.py");
  writeFile(script,
            "import sys, email, email.policy\n"
            "m = email.message_from_binary_file(open(sys.argv[1], 'rb'), policy=email.policy.HTTP)\n"
            "for p in m.iter_parts():\n"
            "    data = p.get_payload(decode=True)\n"
            "    print(p.get_param('name', header='content-disposition'), p.get_filename(),\n"
            "          p.get_content_type(), data.hex() if p.get_filename() else data.decode())\n");
  const std::string out = dir.file("out");
  ASSERT_EQ(std::system(("python3 " + script + " " + message + " > " + out).c_str()), 0);
  std::ifstream in(out);
  std::stringstream text;
  text << in.rdbuf();

  std::string hex;
  for (unsigned char c : picture) {
    char two[3];
    std::snprintf(two, sizeof two, "%02x", c);
    hex += two;
  }
  EXPECT_EQ(text.str(),
            "Crypt None text/plain 10\n"
            "type None text/plain 200\n"
            "loginuser None text/plain 13800000001\n"
            "loginpwd None text/plain pw'\"x\n"
            "changid None text/plain 7788\n"
            "isgroup None text/plain 0\n"
            "filename " +
                file + " image/gif " + hex +
                "\n"
                "Submit None text/plain submit\n");
}

TEST(CHttpSendData, ContentTypeFollowsTheLastExtensionWithoutRegardToCase) {
  EXPECT_EQ(CHttpSendData::contentTypeLine("C:\\pics\\me.Jpeg"), "Content-Type: image/pjpeg\r\n\r\n");
  EXPECT_EQ(CHttpSendData::contentTypeLine("/x/me.jpg"), "Content-Type: image/pjpeg\r\n\r\n");
  EXPECT_EQ(CHttpSendData::contentTypeLine("/x/me.GIF"), "Content-Type: image/gif\r\n\r\n");
  EXPECT_EQ(CHttpSendData::contentTypeLine("/x/me.png"), "Content-Type: image/x-png\r\n\r\n");
  EXPECT_EQ(CHttpSendData::contentTypeLine("/x/me.bmp"), "Content-Type: application/octet-stream\r\n\r\n");
  EXPECT_EQ(CHttpSendData::contentTypeLine("/x/me.png.bak"), "Content-Type: application/octet-stream\r\n\r\n");
  // No dot: the whole path counts as the extension.
  EXPECT_EQ(CHttpSendData::contentTypeLine("jpg"), "Content-Type: image/pjpeg\r\n\r\n");
  EXPECT_EQ(CHttpSendData::contentTypeLine("/x/picture"), "Content-Type: application/octet-stream\r\n\r\n");
}

TEST(CHttpSendData, FieldsNeedANameAndTheBodyStartsAndEndsWithTheBoundary) {
  CHttpSendData form;
  EXPECT_EQ(form.AddTextField(nullptr, "v"), 0);
  EXPECT_EQ(form.AddNumberField("", 5), 0);
  EXPECT_TRUE(form.bodyHead().empty());
  EXPECT_EQ(form.AddNumberField("n", -12), 1);
  EXPECT_EQ(form.bodyHead(), "--" + kB + "\r\nContent-Disposition: form-data; name=\"n\"\r\n\r\n-12\r\n");
  const std::string trailer = CHttpSendData::trailer();
  EXPECT_EQ(trailer.substr(trailer.size() - kB.size() - 2), kB + "--");
}

TEST(CHttpSendData, MissingFileSendsAnEmptyPart) {
  test::TempDir dir;
  test::LocalHttpServer server([](const test::HttpRequest&) { return test::HttpReply{200, ""}; });
  CHttpSendData form;
  form.setPort(server.port());
  ASSERT_EQ(form.Send(dir.file("gone.jpg")), CHttpSendData::kSent);
  const auto body = server.requests().at(0).body;
  EXPECT_EQ(body, "--" + kB + "\r\nContent-Disposition: form-data; name=\"filename\"; filename=\"" +
                      dir.file("gone.jpg") + "\"\r\nContent-Type: image/pjpeg\r\n\r\n" + "\r\n--" + kB +
                      "\r\nContent-Disposition: form-data; name=\"Submit\"\r\n\r\nsubmit\r\n--" + kB + "--");
}

TEST(CHttpSendData, StatusCodesForRefusalsAndBrokenExchanges) {
  test::TempDir dir;
  writeFile(dir.file("a.jpg"), "abc");
  {
    CHttpSendData form;
    form.setPort(closedPort());
    EXPECT_EQ(form.Send(dir.file("a.jpg")), CHttpSendData::kNoConnection);
  }
  {
    test::LocalHttpServer server([](const test::HttpRequest&) { return test::HttpReply{404, "no"}; });
    CHttpSendData form;
    form.setPort(server.port());
    const char* response = "untouched";
    EXPECT_EQ(form.Send(dir.file("a.jpg"), &response), CHttpSendData::kBadStatus);
    EXPECT_STREQ(response, "untouched");
  }
  {
    test::HttpReply cut{200, "half"};
    cut.announce = 100;
    test::LocalHttpServer server([&](const test::HttpRequest&) { return cut; });
    CHttpSendData form;
    form.setPort(server.port());
    EXPECT_EQ(form.Send(dir.file("a.jpg")), CHttpSendData::kNetworkError);
  }
  {
    test::HttpReply silent;
    silent.silent = true;
    test::LocalHttpServer server([&](const test::HttpRequest&) { return silent; });
    CHttpSendData form;
    form.setPort(server.port());
    form.setTimeouts(1000, 300);
    EXPECT_EQ(form.Send(dir.file("a.jpg")), CHttpSendData::kNetworkError);
  }
}

// A file whose reported size is larger than what can be read: the upload
// fails instead of sending fewer bytes than it announced.
TEST(CHttpSendData, FileShorterThanItsSizeFailsWithoutAShortBody) {
  const std::string file = "/sys/kernel/mm/transparent_hugepage/enabled";
  struct stat info {};
  if (::stat(file.c_str(), &info) != 0 || info.st_size < 100) GTEST_SKIP() << "no sysfs file to play the part";
  test::LocalHttpServer server([](const test::HttpRequest&) { return test::HttpReply{200, ""}; });
  CHttpSendData form;
  form.setPort(server.port());
  EXPECT_EQ(form.Send(file), CHttpSendData::kNetworkError);
  for (const auto& request : server.requests()) EXPECT_LT(request.body.size(), request.announcedLength);
}

TEST(CHttpSendData, UnreadableFileFailsBeforeAnythingIsSent) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
  test::TempDir dir;
  writeFile(dir.file("locked.jpg"), "secret");
  ::chmod(dir.file("locked.jpg").c_str(), 0);
  test::LocalHttpServer server([](const test::HttpRequest&) { return test::HttpReply{200, ""}; });
  CHttpSendData form;
  form.setPort(server.port());
  EXPECT_EQ(form.Send(dir.file("locked.jpg")), CHttpSendData::kNetworkError);
  EXPECT_EQ(server.requestCount(), 0);
}

}  // namespace
}  // namespace kiv
