#pragma once

#include "skin/CDlgBasic.h"

namespace kiv {

class CPictureEx;

// The window the program shows until the sign-in window exists: the skinned
// frame, the sign-in animation and the endpoints the client would use.
class WelcomeWindow : public CDlgBasic {
 public:
  explicit WelcomeWindow(QWidget* parent = nullptr);

  void OnServerResponse(const PendingRequest& request, const std::uint8_t* response, std::uint32_t size,
                        std::uint32_t command) override;

 private:
  CPictureEx* animation_ = nullptr;
};

}  // namespace kiv
