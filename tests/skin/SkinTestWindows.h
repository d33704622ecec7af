#pragma once

#include <QThread>
#include <atomic>
#include <vector>

#include "skin/CDlgBasic.h"
#include "skin/CDlgBasicResizable.h"

namespace kiv::test {

// What a test window saw of the answers delivered to it.
struct AnswerLog {
  std::vector<std::uint32_t> commands;
  std::vector<QThread*> threads;
  std::vector<std::uint8_t> firstBytes;
};

class TestDialog : public CDlgBasic {
 public:
  explicit TestDialog(QWidget* parent = nullptr) : CDlgBasic(144, parent) {}
  void OnServerResponse(const PendingRequest& /*request*/, const std::uint8_t* response, std::uint32_t /*size*/,
                        std::uint32_t command) override {
    log.commands.push_back(command);
    log.threads.push_back(QThread::currentThread());
    log.firstBytes.push_back(response[0]);
  }
  AnswerLog log;
};

class TestResizable : public CDlgBasicResizable {
 public:
  explicit TestResizable(QWidget* parent = nullptr) : CDlgBasicResizable(102, parent) {}
  void OnServerResponse(const PendingRequest&, const std::uint8_t*, std::uint32_t, std::uint32_t) override {}
};

}  // namespace kiv::test
