#include "platform/qt/GbkQt.h"

#include "platform/Gbk.h"

namespace kiv {

QString fromGbk(std::string_view gbk) {
  const std::u16string u = gbk::toUtf16(gbk);
  return QString::fromUtf16(u.data(), static_cast<qsizetype>(u.size()));
}

std::string toGbk(const QString& text) {
  return gbk::fromUtf8(text.toStdString());
}

}  // namespace kiv
