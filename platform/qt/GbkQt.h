#pragma once

#include <QString>
#include <string>
#include <string_view>

// Conversions between GBK bytes and QString, for the widget boundary.
namespace kiv {

QString fromGbk(std::string_view gbk);
std::string toGbk(const QString& text);

}  // namespace kiv
