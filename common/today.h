#pragma once
// Today's date, read in one place so that tests can fix it.

#include <QDate>

QDate today();
// Fixes the date today() gives; an invalid date goes back to the clock.
void setTodayForTests(const QDate& date);
