#include "platform/SoundEnabled.h"

namespace kiv {

std::atomic<int> SoundEnabled{1};
std::atomic<int> DesktopNoticesEnabled{1};

}  // namespace kiv
