#pragma once

namespace kiv::test {

// Makes waitFor handle Qt events between its checks; the mains of the
// widget tests and of the gallery call it once a QApplication exists.
void handleQtEventsWhileWaiting();

}  // namespace kiv::test
