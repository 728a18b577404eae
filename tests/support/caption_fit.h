#pragma once
// Whether the controls of a window show their text whole at the size the
// design gives them, with the fonts the program uses.

#include <QSize>
#include <QString>
#include <QStringList>
#include <vector>

class QWidget;

struct CaptionMisfit {
    QString control;   // object name, or the text of a control without one
    QString text;
    QSize needed;      // for the text, in pixels
    QSize room;        // that the control gives it
    int lines = 1;
    QString runsInto;  // a neighbour the text runs into, though it fits its own control
};

// Every label, check box, option button, command button and one-line text box
// shown in `window` whose text needs more room than it has. A caption goes on
// one line unless its control is named in `wrapsOnPurpose` (by object name, or
// by text when it has none) and wraps; a text
// box has room for one line of its font whatever it holds. A caption that fits
// its control but runs into a neighbour shown beside it does not fit either.
std::vector<CaptionMisfit> captionMisfits(QWidget& window, const QStringList& wrapsOnPurpose = {});

// The controls named in `wrapsOnPurpose` whose caption fits on one line: the
// list should not keep them.
QStringList needlessWraps(QWidget& window, const QStringList& wrapsOnPurpose);

// The captions a 10,080-student school gives at most: every data-control bar
// in `window` that shows a caption, and the labels named in `counters`, show
// their text with each number in it replaced by `rows` (an empty counter shows
// the number). Call before captionMisfits, with the window showing real rows.
void showLargestCounts(QWidget& window, const QStringList& counters = {}, int rows = 10080);

// The controls of `window` without an object name (by kind and text), so that
// a test or the accessibility tree can find each one: buttons, boxes, lists,
// grids, data-control bars, scroll bars, pictures and frames that hold
// controls. Caption labels and lines are left out (many have no name of their
// own), and so are the parts inside a control (a combo box's edit, a grid's
// cells, a bar's move buttons) and the parts of menu and tool bars.
QStringList unnamedControls(QWidget& window);
