// Headers that nearly every window's source parses: precompiled once per
// build (cmake/KivPch.cmake) instead of once per file.
#pragma once

#include <QApplication>
#include <QColor>
#include <QDialog>
#include <QFont>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QObject>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>
