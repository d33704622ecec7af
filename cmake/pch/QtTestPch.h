// The window tests' common headers: the widgets' set plus the test frameworks.
#pragma once

#include "WidgetsPch.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
