#include "platform/SoundEnabled.h"

namespace kiv {

std::atomic<bool> SoundEnabled{true};
std::atomic<bool> DesktopNoticesEnabled{true};

}  // namespace kiv
