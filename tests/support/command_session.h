#pragma once
// What the tests that go through every command of a program do after each
// one, as a person would: close what it opened and look at what it said.

#include "support/dialog_double.h"

#include <QString>
#include <QStringList>

class QWidget;

// Closes every window left open beside `main` (a close may ask, and open, more).
void closeWindowsBeside(const QWidget* main);

// Fails the test for each message box shown from `from` on whose text, the
// given paths taken out, is not one of the system's own messages: English
// words, as an exception's own text has them. Returns the end of what was shown.
size_t expectOwnMessages(const DialogDouble& dialogs, size_t from, const QStringList& paths);
