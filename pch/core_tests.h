// Precompiled for the tests that need no screen.
#pragma once
#include "core.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
