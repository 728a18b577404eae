#pragma once
// The controls and menus of the main window as designed: name, kind,
// container, caption and place in twips. Form2 builds its widgets from these
// tables and from those of its panels; controls whose place follows the
// window size have none here and are placed by the layout (form2_layout.h).

#include "grades/frame/form2_layout.h"

#include <QString>
#include <optional>
#include <vector>

namespace form2 {

enum class Kind {
    Frame, Label, TextBox, MultiLineTextBox, CommandButton, ComboBox, ListBox,
    CheckBox, OptionButton, DataGrid, DataControl, PictureBox,
};

// Design states beside the default (visible, enabled, not ticked).
enum Flag : unsigned {
    None = 0,
    Hidden = 1,
    Checked = 2,     // check box ticked / option button selected
    Disabled = 4,
};

struct ControlDesign {
    QString name;             // object name: the control's own name, array members as Name_Index
    Kind kind;
    QString container;        // "" = the window's client area
    QString caption;          // caption or initial text
    std::optional<TwipsRect> rect;  // none: placed by the layout
    unsigned flags = None;
    QString toolTip = {};
};

// Shorthands of the design tables: a place in twips, or none when the
// layout places the control.
inline TwipsRect R(double l, double t, double w, double h) { return {l, t, w, h}; }
inline constexpr std::nullopt_t Laid = std::nullopt;

// The frame's own controls: the panel frames, the button row and the home
// panel, containers before what they hold. Each panel names its own.
const std::vector<ControlDesign>& controlDesigns();

struct MenuItemDesign {
    QString name;
    QString caption;          // "-" is a separator line
    bool visible = true;
    bool checkable = false;   // with the check mark set in the design
};

struct MenuDesign {
    QString name;
    QString caption;
    std::vector<MenuItemDesign> items;
};

// The menu bar, in order.
const std::vector<MenuDesign>& menuDesigns();

} // namespace form2
