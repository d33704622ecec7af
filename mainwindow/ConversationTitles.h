#pragma once

#include <QString>
#include <cstdint>
#include <string>

#include "model/ChatCategory.h"

namespace kiv {

// The title of a conversation window (its window title and first header
// line), by the way the conversation was opened. `partnerName` and
// `groupText` are GBK.
QString conversationTitle(ChatCategory category, std::int32_t number, const std::string& partnerName,
                          const std::string& groupText);

}  // namespace kiv
