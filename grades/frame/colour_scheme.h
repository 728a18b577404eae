#pragma once
// The main window's two colour schemes: plain (system button and window
// colours) and colourful (pink panels, blue text boxes, cyan grids). The
// check mark of 彩色 is the only record of which one is in force.

#include <QString>

class QWidget;

enum class ColourScheme { Plain, Colourful };

// The kind of a control as the schemes name it: "Label", "TextBox",
// "DataGrid", "Frame", "CheckBox", "OptionButton", "ComboBox", "ListBox",
// "CommandButton", "Adodc" (a data control shown on a panel), or "Other" for
// any other control (a picture box is one).
QString controlKind(const QWidget* control);

// Colours every named control of the main window by its kind, also on hidden
// panels and inside sub-frames, then gives the home panel and its texts
// their fixed colours. Menus and separate windows are passed over. Given
// one panel frame, colours the controls inside it the same way.
void ApplyColourScheme(QWidget* form2, ColourScheme scheme);
// The same by the check mark of 彩色.
inline void ApplyColourScheme(QWidget* form2, bool colourful) {
    ApplyColourScheme(form2, colourful ? ColourScheme::Colourful : ColourScheme::Plain);
}
