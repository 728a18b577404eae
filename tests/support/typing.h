#pragma once
// Typing as a person does: Latin keys as key presses, Chinese characters as
// the input method commits them.

#include <QString>

class QWidget;

// Types `text` into `widget` (for a combo box, into its line edit).
void typeText(QWidget* widget, const QString& text);
