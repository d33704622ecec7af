// What a chat window costs: the time to take in a full fetch (57 records of
// distinct seconds) when the conversation already holds 0, 2,000 and 20,000
// messages, measured until the event loop is idle again (layout and the
// scroll to the bottom included), once for the view alone and once for the
// whole answer handler (history rows stored too, in one transaction); for
// comparison the same 57 rows stored one statement at a time; and the memory
// of open, idle chat windows.
//
//   QT_QPA_PLATFORM=offscreen bench_chat_view_append [WINDOWS]
#include <malloc.h>
#include <unistd.h>

#include <QApplication>
#include <QScrollBar>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "chat/CRichEditCtrlEx.h"
#include "chat/CSendMessage.h"
#include "model/ClientSession.h"
#include "model/ContactModel.h"
#include "model/ReceivedMessages.h"
#include "net/FetchMessagesMessages.h"
#include "net/NetClient.h"
#include "platform/Gbk.h"
#include "storage/LocalStores.h"

namespace {

using Steady = std::chrono::steady_clock;
using namespace kiv;

double msSince(Steady::time_point start) {
  return std::chrono::duration<double, std::milli>(Steady::now() - start).count();
}

// The resident size once freed memory went back to the system, so that
// what one measurement freed does not hide the next one's growth.
long rssKiB() {
  malloc_trim(0);
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

constexpr int kRuns = 5;

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void settle() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

std::string timeDigits(int n) {
  char digits[32];
  std::snprintf(digits, sizeof digits, "2603%02d%02d%02d%02d", 1 + n / 86400 % 28, n / 3600 % 24, n / 60 % 60, n % 60);
  return digits;
}

// A full fetch answer: 57 records, each of its own second.
std::vector<std::uint8_t> fullFetch(int first) {
  FetchMessagesResponse fetched;
  const std::string text = gbk::fromUtf8("李小红(私聊):周六上午九点，体育馆见？记得带球拍，我带水。");
  for (int i = 0; i < 57; ++i) fetched.messages.push_back(MessageRecord{text, timeDigits(first + i), {}});
  return fetched.build(HeaderKey{});
}

// Fills the view with `count` received messages, as fetches would.
void hold(CRichEditCtrlEx* view, int count) {
  const QString text =
      QStringLiteral("\r\n\r\n26-03-07 09:30:12\r\n李小红(私聊):周六上午九点，体育馆见？记得带球拍，我带水。");
  for (int i = 0; i < count; ++i) view->appendColored(text, CSendMessage::receivedColour());
  settle();
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int windows = argc > 1 ? std::atoi(argv[1]) : 20;

  const std::filesystem::path home =
      std::filesystem::temp_directory_path() / ("kiv-bench-chat-" + std::to_string(getpid()));
  std::filesystem::create_directories(home);
  setenv("KIV_HOME", (home.string() + "/").c_str(), 1);
  NetClient net;
  ContactModel model;
  LocalStores store;
  store.ResolveProgramPaths();
  store.history.OpenMessageDatabase(10001);
  ClientSession session{net, model, store, {}};

  std::printf("take in a 57-record fetch (ms, until the event loop is idle)\n");
  std::printf("%10s %10s %14s %14s %16s %14s\n", "held", "view only", "whole handler", "rows one by one",
              "scroll maximum", "RSS (MiB)");
  for (const int held : {0, 2000, 20000}) {
    const long before = rssKiB();
    auto* chat = new CSendMessage(session, 10002, ConversationKind::kPrivate);
    chat->setPartner(gbk::fromUtf8("李小红"), 3);
    chat->show();
    hold(chat->view(), held);
    const long filled = rssKiB();

    const QString block = QStringLiteral("\r\n\r\n26-03-07 09:30:12\r\n李小红(私聊):周六上午九点，体育馆见？");
    // Each figure is the median of five runs: the machine is shared.
    std::vector<double> viewOnly, handler, rows;
    for (int run = 0; run < kRuns; ++run) {
      auto start = Steady::now();
      for (int i = 0; i < 57; ++i) chat->view()->appendColored(block, CSendMessage::receivedColour());
      settle();
      viewOnly.push_back(msSince(start));

      const auto packet = fullFetch(held + run * 57);
      start = Steady::now();
      {
        // What the message service and the window do with a fetch: read,
        // join, store, show.
        const ReceivedMessages received =
            ReceivedMessages::from(FetchMessagesResponse::read(packet.data(), packet.size()), ConversationKind::kPrivate);
        chat->showReceived(received, received.store(store.history, ConversationKind::kPrivate, 10002));
      }
      settle();
      handler.push_back(msSince(start));

      start = Steady::now();
      for (int i = 0; i < 57; ++i) store.history.AppendUserMessage(10002, "x", "26-03-07 09:30:12");
      rows.push_back(msSince(start));
    }
    QScrollBar* bar = chat->view()->verticalScrollBar();
    std::printf("%10d %10.2f %14.2f %14.2f %16d %14.1f\n", held, median(viewOnly), median(handler), median(rows),
                bar->maximum(), (filled - before) / 1024.0);
    delete chat;
    settle();
  }

  // Idle windows: open and shown, as conversations waiting for a message.
  settle();
  const long before = rssKiB();
  std::vector<CSendMessage*> open;
  for (int i = 0; i < windows; ++i) {
    auto* chat = new CSendMessage(session, 20000 + i, ConversationKind::kPrivate);
    chat->setPartner(gbk::fromUtf8("陈晨"), 0);
    chat->setTitleLine(QStringLiteral("与 陈晨 聊天当中..."));
    chat->show();
    settle();
    open.push_back(chat);
  }
  const long after = rssKiB();
  std::printf("RSS per open idle chat window: %.1f KiB (%d windows)\n", (after - before) / double(windows), windows);
  for (auto* chat : open) delete chat;
  std::filesystem::remove_all(home);
  return 0;
}
