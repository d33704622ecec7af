#pragma once

#include "skin/CDlgBasic.h"
#include "skin/CDlgBasicResizable.h"

namespace kiv::test {

class TestDialog : public CDlgBasic {
 public:
  explicit TestDialog(QWidget* parent = nullptr) : CDlgBasic(parent) {}
};

class TestResizable : public CDlgBasicResizable {
 public:
  explicit TestResizable(QWidget* parent = nullptr) : CDlgBasicResizable(parent) {}
};

}  // namespace kiv::test
