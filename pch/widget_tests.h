// Precompiled for the window tests.
#pragma once
#include "widgets.h"

#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
