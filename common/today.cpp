#include "common/today.h"

namespace {
QDate fixed;
}

QDate today() { return fixed.isValid() ? fixed : QDate::currentDate(); }

void setTodayForTests(const QDate& date) { fixed = date; }
