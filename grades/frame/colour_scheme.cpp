#include "grades/frame/colour_scheme.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTextEdit>
#include <QToolBar>

namespace {

struct KindColours {
    const char* kind;
    QColor plainText, plainBack, colourfulText, colourfulBack;
};

QColor buttonFace() { return QApplication::palette().color(QPalette::Button); }
QColor buttonText() { return QApplication::palette().color(QPalette::ButtonText); }
QColor windowBack() { return QApplication::palette().color(QPalette::Base); }
QColor windowText() { return QApplication::palette().color(QPalette::Text); }

// The system colours follow the desktop, so the table is built on each use.
std::vector<KindColours> kindTable() {
    const QColor black(0, 0, 0), white(255, 255, 255), pink(255, 192, 255);
    const QColor face = buttonFace();
    return {
        {"Label", black, face, black, pink},
        {"TextBox", black, white, QColor(255, 255, 0), QColor(0, 0, 255)},
        {"DataGrid", black, white, black, QColor(0, 255, 255)},
        {"Frame", black, face, black, pink},
        {"CheckBox", black, face, QColor(0, 0, 255), pink},
        {"OptionButton", black, face, QColor(0, 0, 255), pink},
        {"ComboBox", black, white, black, QColor(0, 255, 0)},
        {"ListBox", black, white, QColor(0, 0, 255), QColor(0, 255, 255)},
        {"Adodc", black, face, black, face},
        {"CommandButton", black, face, black, face},
        {"Other", black, face, black, pink},
    };
}

// Controls whose inner widgets are their own business. Frames hold controls;
// so may a control of another kind (a picture box).
bool isLeafKind(const QString& kind) { return kind != "Frame" && kind != "Other"; }

void setColours(QWidget* w, const QString& kind, const QColor& text, const QColor& back) {
    QPalette p = w->palette();
    // Text colours leave the disabled group alone, so that a control the lock
    // level or a panel disabled still looks disabled.
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(group, QPalette::WindowText, text);
        p.setColor(group, QPalette::Text, text);
        p.setColor(group, QPalette::ButtonText, text);
    }
    if (kind == "TextBox" || kind == "DataGrid" || kind == "ListBox") {
        p.setColor(QPalette::Base, back);
    } else if (kind == "ComboBox") {
        p.setColor(QPalette::Base, back);
        p.setColor(QPalette::Button, back);
    } else if (kind == "CommandButton") {
        p.setColor(QPalette::Button, back);
    } else if (kind == "Adodc") {
        p.setColor(QPalette::Button, back);
        p.setColor(QPalette::Window, back);
        w->setAutoFillBackground(true);
    } else {
        p.setColor(QPalette::Window, back);
        // Check boxes and option buttons fill with the button colour by
        // default; the scheme's background is the window colour.
        w->setBackgroundRole(QPalette::Window);
        w->setAutoFillBackground(true);
    }
    w->setPalette(p);
}

bool isControl(const QWidget* w) {
    const QString name = w->objectName();
    return !name.isEmpty() && !name.startsWith(QLatin1String("qt_"));
}

void colourTree(QWidget* parent, ColourScheme scheme, const std::vector<KindColours>& table) {
    for (QObject* child : parent->children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (!w || w->isWindow()) continue;   // owned windows keep their own colours
        if (qobject_cast<QMenuBar*>(w) || qobject_cast<QMenu*>(w) || qobject_cast<QStatusBar*>(w) ||
            qobject_cast<QToolBar*>(w))
            continue;
        const bool plainContainer = w->metaObject() == &QWidget::staticMetaObject;
        const QString kind = controlKind(w);
        if (!plainContainer && isControl(w)) {
            for (const KindColours& k : table) {
                if (kind == QLatin1String(k.kind)) {
                    if (scheme == ColourScheme::Plain)
                        setColours(w, kind, k.plainText, k.plainBack);
                    else
                        setColours(w, kind, k.colourfulText, k.colourfulBack);
                    break;
                }
            }
        }
        if (plainContainer || !isLeafKind(kind)) colourTree(w, scheme, table);
    }
}

QWidget* named(QWidget* form2, const char* name) {
    return form2->findChild<QWidget*>(QString::fromLatin1(name));
}

} // namespace

QString controlKind(const QWidget* w) {
    if (qobject_cast<const QLabel*>(w)) return "Label";
    if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QTextEdit*>(w) ||
        qobject_cast<const QPlainTextEdit*>(w))
        return "TextBox";
    if (w->inherits("platform::db::DataGrid")) return "DataGrid";
    if (qobject_cast<const QCheckBox*>(w)) return "CheckBox";
    if (qobject_cast<const QRadioButton*>(w)) return "OptionButton";
    if (qobject_cast<const QComboBox*>(w)) return "ComboBox";
    if (qobject_cast<const QListView*>(w)) return "ListBox";
    if (qobject_cast<const QPushButton*>(w)) return "CommandButton";
    if (qobject_cast<const QGroupBox*>(w)) return "Frame";
    if (w->inherits("platform::db::DataControlBar")) return "Adodc";
    return "Other";
}

void ApplyColourScheme(QWidget* form2, ColourScheme scheme) {
    colourTree(form2, scheme, kindTable());

    // The home panel looks the same in both schemes.
    const QColor homePink(255, 192, 192);
    if (QWidget* home = named(form2, "Frame1_0")) {
        QPalette p = home->palette();
        p.setColor(QPalette::Window, homePink);
        home->setAutoFillBackground(true);
        home->setPalette(p);
    }
    for (const char* name : {"Label5", "Label3", "Label2"}) {
        if (QWidget* w = named(form2, name)) setColours(w, "Label", buttonText(), homePink);
    }
    if (QWidget* w = named(form2, "Label1")) setColours(w, "Label", QColor(0, 0, 255), homePink);
    if (QWidget* w = named(form2, "Text1")) setColours(w, "TextBox", windowText(), windowBack());
}
