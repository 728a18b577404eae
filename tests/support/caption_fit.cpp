#include "caption_fit.h"

#include "platform/ui/compact_text.h"
#include "platform/ui/wrapping_buttons.h"

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QTabBar>
#include <QTextLayout>
#include <QToolBar>
#include <QToolButton>
#include <cmath>

namespace {

QString nameOf(const QWidget* w, const QString& text) {
    // The caption of a data-control bar goes by the bar's name.
    if (w->objectName().isEmpty() && w->parentWidget() && w->parentWidget()->inherits("platform::db::DataControlBar"))
        return w->parentWidget()->objectName() + u' ' + (qobject_cast<const QLabel*>(w) ? QStringLiteral("caption") : text);
    return w->objectName().isEmpty() ? text : w->objectName();
}

QString withCount(const QString& text, int rows) {
    QString out = text;
    out.replace(QRegularExpression(QStringLiteral("[0-9]+")), QString::number(rows));
    return out;
}

struct Measure {
    QWidget* control = nullptr;
    QString text;
    QRect room;
    bool wraps = false;       // the control can wrap its text
    bool compact = false;     // lines at the designed spacing
    bool lineOnly = false;    // only the height of a line counts
    Qt::Alignment alignment = Qt::AlignLeft;
};

// The sibling control that the text, where it is drawn, runs into.
QString runsInto(const Measure& m, const QSize& needed) {
    QWidget* parent = m.control->parentWidget();
    if (!parent || m.lineOnly || qobject_cast<QPushButton*>(m.control) || qobject_cast<QToolButton*>(m.control)) return {};
    int left = m.room.left();
    if (m.alignment & Qt::AlignHCenter) left += (m.room.width() - needed.width()) / 2;
    else if (m.alignment & Qt::AlignRight) left += m.room.width() - needed.width();
    int top = m.room.top();
    if (m.alignment & Qt::AlignVCenter) top += (m.room.height() - needed.height()) / 2;
    else if (m.alignment & Qt::AlignBottom) top += m.room.height() - needed.height();
    // Only the characters have ink: a caption may leave blanks for a box set over it.
    std::vector<QRect> inks;
    const QFontMetricsF fm(m.control->font());
    if (needed.height() <= QFontMetrics(m.control->font()).height()) {
        for (qsizetype i = 0; i < m.text.size();) {
            if (m.text.at(i).isSpace()) { ++i; continue; }
            qsizetype j = i;
            while (j < m.text.size() && !m.text.at(j).isSpace()) ++j;
            const int x = int(fm.horizontalAdvance(m.text.left(i)));
            const int w = int(std::ceil(fm.horizontalAdvance(m.text.mid(i, j - i))));
            inks.emplace_back(left + x, top, w, needed.height());
            i = j;
        }
    } else {
        inks.emplace_back(left, top, needed.width(), needed.height());
    }
    for (QObject* o : parent->children()) {
        auto* sibling = qobject_cast<QWidget*>(o);
        if (!sibling || sibling == m.control || sibling->isHidden() || sibling->isWindow()) continue;
        // An empty label shows nothing to run into.
        if (auto* l = qobject_cast<QLabel*>(sibling); l && l->text().isEmpty() && l->pixmap().isNull()) continue;
        for (const QRect& ink : inks)
            if (sibling->geometry().intersects(ink.translated(m.control->pos())))
                return sibling->objectName().isEmpty() ? QStringLiteral("a control") : sibling->objectName();
    }
    return {};
}

QString shownText(QString t) {
    // A mnemonic's "&" takes no room.
    t.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    t.remove(u'&');
    t.replace(u'\x01', u'&');
    return t;
}

int lineCount(const QString& text, const QFont& font, int width) {
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAnywhere);
    layout.setTextOption(option);
    int n = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        ++n;
    }
    layout.endLayout();
    return std::max(n, 1);
}

int textWidth(const QString& text, const QFont& font) {
    return int(std::ceil(QFontMetricsF(font).horizontalAdvance(text)));
}

std::vector<Measure> measures(QWidget& window) {
    std::vector<Measure> out;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        // Hidden controls too: they show in another state of the window.
        // The edit inside a combo or spin box is that control's business.
        if (qobject_cast<QLineEdit*>(w) && w->parentWidget() &&
            (w->parentWidget()->inherits("QComboBox") || w->parentWidget()->inherits("QAbstractSpinBox")))
            continue;
        Measure m;
        m.control = w;
        if (auto* label = qobject_cast<QLabel*>(w)) {
            if (label->textFormat() == Qt::RichText || Qt::mightBeRichText(label->text()) || !label->pixmap().isNull())
                continue;
            m.text = label->text();
            const int margin = label->margin();
            m.room = label->contentsRect().adjusted(margin, margin, -margin, -margin);
            m.wraps = label->wordWrap();
            m.compact = m.wraps && qobject_cast<platform::WrappingLabel*>(w) && !m.text.contains(u'&');
            m.alignment = QStyle::visualAlignment(label->layoutDirection(), label->alignment());
        } else if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) {
            auto* b = static_cast<QAbstractButton*>(w);
            QStyleOptionButton option;
            option.initFrom(b);
            option.text = b->text();
            const bool check = qobject_cast<QCheckBox*>(w);
            const QRect indicator = b->style()->subElementRect(
                check ? QStyle::SE_CheckBoxIndicator : QStyle::SE_RadioButtonIndicator, &option, b);
            const int spacing = b->style()->pixelMetric(
                check ? QStyle::PM_CheckBoxLabelSpacing : QStyle::PM_RadioButtonLabelSpacing, &option, b);
            m.text = b->text();
            m.room = QRect(indicator.right() + 1 + spacing, 0, b->width() - indicator.right() - 1 - spacing, b->height());
            m.wraps = m.compact = qobject_cast<platform::WrappingCheckBox*>(w) || qobject_cast<platform::WrappingRadioButton*>(w);
            m.alignment = Qt::AlignLeft | Qt::AlignVCenter;
        } else if (auto* tool = qobject_cast<QToolButton*>(w);
                   tool && w->parentWidget() && w->parentWidget()->inherits("platform::db::DataControlBar")) {
            // The move buttons of a data-control bar: their arrows within the frame.
            m.text = tool->text();
            const int frame = tool->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, tool);
            m.room = tool->rect().adjusted(frame, 0, -frame, 0);
        } else if (auto* button = qobject_cast<QPushButton*>(w)) {
            m.text = button->text();
            // The frame and the room the style keeps beside the text.
            const int frame = button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
            m.room = button->rect().adjusted(frame / 2, 0, -frame / 2, 0);
        } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            QStyleOptionFrame option;
            option.initFrom(edit);
            option.lineWidth = edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit) : 0;
            m.room = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit)
                         .marginsRemoved(edit->textMargins());
            // What is typed scrolls sideways; it needs a line of the font.
            m.text = QStringLiteral("国");
            m.lineOnly = true;
        } else {
            continue;
        }
        m.text = shownText(m.text);
        if (m.text.trimmed().isEmpty()) continue;
        out.push_back(m);
    }
    return out;
}

} // namespace

std::vector<CaptionMisfit> captionMisfits(QWidget& window, const QStringList& wrapsOnPurpose) {
    window.ensurePolished();
    std::vector<CaptionMisfit> out;
    for (const Measure& m : measures(window)) {
        const QFont font = m.control->font();
        const QFontMetrics fm(font);
        const QString name = nameOf(m.control, m.text);
        const bool mayWrap = m.wraps && wrapsOnPurpose.contains(name);
        const int lines = mayWrap ? lineCount(m.text, font, m.room.width()) : 1;
        const int step = m.compact ? platform::compactLineStep(font) : fm.lineSpacing();
        const int width = textWidth(m.text, font);
        const QSize needed(m.lineOnly || mayWrap ? std::min(width, m.room.width()) : width,
                           (lines - 1) * step + fm.height());
        if (needed.width() > m.room.width() || needed.height() > m.room.height())
            out.push_back({name, m.text, needed, m.room.size(), lines, {}});
        else if (m.control->isVisibleTo(&window))
            if (const QString other = runsInto(m, needed); !other.isEmpty())
                out.push_back({name, m.text, needed, m.room.size(), lines, other});
    }
    return out;
}

QStringList needlessWraps(QWidget& window, const QStringList& wrapsOnPurpose) {
    window.ensurePolished();
    QStringList out;
    for (const Measure& m : measures(window))
        if (!m.lineOnly && wrapsOnPurpose.contains(nameOf(m.control, m.text)) && textWidth(m.text, m.control->font()) <= m.room.width())
            out << nameOf(m.control, m.text);
    return out;
}

void showLargestCounts(QWidget& window, const QStringList& counters, int rows) {
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (w->inherits("platform::db::DataControlBar")) {
            // A bar that shows no caption (a hidden one, or one that never shows a position) stays so.
            const QString caption = w->property("caption").toString();
            if (!caption.isEmpty()) w->setProperty("caption", withCount(caption, rows));
        } else if (auto* label = qobject_cast<QLabel*>(w); label && counters.contains(label->objectName())) {
            label->setText(label->text().isEmpty() ? QString::number(rows) : withCount(label->text(), rows));
        }
    }
}

QStringList unnamedControls(QWidget& window) {
    auto inside = [&window](const QWidget* w) {
        for (const QWidget* p = w->parentWidget(); p && p != &window; p = p->parentWidget()) {
            if (p->isWindow()) return true;   // another window's
            if (qobject_cast<const QComboBox*>(p) || qobject_cast<const QAbstractSpinBox*>(p) ||
                qobject_cast<const QAbstractScrollArea*>(p) || qobject_cast<const QMenuBar*>(p) ||
                qobject_cast<const QToolBar*>(p) || qobject_cast<const QTabBar*>(p) ||
                p->inherits("platform::db::DataGrid") || p->inherits("platform::db::DataControlBar") ||
                p->inherits("platform::RichTextBox"))
                return true;
        }
        return false;
    };
    QStringList out;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (w->isWindow() || !w->objectName().isEmpty() || inside(w)) continue;
        if (qobject_cast<QStatusBar*>(w->parentWidget()) && !qobject_cast<QLabel*>(w)) continue;
        QString text;
        if (auto* l = qobject_cast<QLabel*>(w)) {
            // A caption label often has no name of its own; a picture has.
            if (l->pixmap().isNull()) continue;
        } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            text = b->text();
        } else if (qobject_cast<QFrame*>(w) && !qobject_cast<QAbstractScrollArea*>(w) &&
                   w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty()) {
            continue;   // a line
        } else if (!(qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractScrollArea*>(w) || qobject_cast<QComboBox*>(w) ||
                     qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QGroupBox*>(w) || qobject_cast<QScrollBar*>(w) ||
                     qobject_cast<QFrame*>(w) || w->inherits("platform::db::DataGrid") ||
                     w->inherits("platform::db::DataControlBar"))) {
            continue;
        }
        out << QStringLiteral("%1 \"%2\" in %3")
                   .arg(QString::fromLatin1(w->metaObject()->className()), text,
                        w->parentWidget() ? w->parentWidget()->objectName() : QString());
    }
    return out;
}
