#pragma once

#include <QString>

class QWidget;

namespace kiv::test {

// Saves a PNG of the widget as "<name>.png" in the directory named by
// KIV_SCREENSHOTS ("<name>@2x.png" on a HiDPI screen, for example with
// QT_SCALE_FACTOR=2). Returns the path written, or an empty string (and the
// scene fails) when nothing could be written.
QString saveScreenshot(QWidget* widget, const QString& name);

}  // namespace kiv::test
