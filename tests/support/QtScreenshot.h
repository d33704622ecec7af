#pragma once

#include <QString>

class QWidget;

namespace kiv::test {

// Saves a PNG of the widget as "<name>.png" in the directory named by
// KIV_SCREENSHOTS ("<name>@2x.png" on a HiDPI screen, for example with
// QT_SCALE_FACTOR=2); does nothing when the variable is unset. Returns the
// path written, or an empty string.
QString saveScreenshot(QWidget* widget, const QString& name);

}  // namespace kiv::test
