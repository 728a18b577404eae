#include "platform/ui/controls.h"

#include <QLineEdit>
#include <QPainter>
#include <qdrawutil.h>

namespace platform {

void keepTypedText(QComboBox& box) {
    if (!box.isEditable()) return;
    // Without a completer the box matches an entry only when it is typed exactly.
    box.setCompleter(nullptr);
    box.setInsertPolicy(QComboBox::NoInsert);
}

ComboBox::ComboBox(QWidget* parent, bool editable) : QComboBox(parent) { setEditable(editable); }

void ComboBox::setEditable(bool editable) {
    QComboBox::setEditable(editable);
    keepTypedText(*this);
}

bool ComboBox::event(QEvent* event) {
    if (completer()) keepTypedText(*this);
    return QComboBox::event(event);
}

void Frame::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QFontMetrics fm(font());
    const QString caption = title();
    // An etched line, drawn here: styles keep their own room above a border.
    const QRect border = rect().adjusted(0, caption.isEmpty() ? 0 : fm.height() / 2, 0, 0);
    QRect text;
    if (!caption.isEmpty()) {
        const int indent = fm.horizontalAdvance(QLatin1Char(' ')) * 2;
        text = QRect(indent, 0, fm.horizontalAdvance(caption) + 4, fm.height());
        p.setClipRegion(QRegion(rect()) - text);
    }
    qDrawShadeRect(&p, border, palette(), true, 1, 0);
    if (!caption.isEmpty()) {
        p.setClipping(false);
        style()->drawItemText(&p, text, Qt::AlignCenter | Qt::TextShowMnemonic, palette(), isEnabled(), caption,
                              QPalette::WindowText);
    }
}

ListBox::ListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(model(), &QAbstractItemModel::rowsRemoved, this, [this] {
        if (!dropSelection_) return;
        dropSelection_ = false;
        selectionModel()->clear();
    });
}

// The view would move the selection to a neighbour of the removed entry.
void ListBox::rowsAboutToBeRemoved(const QModelIndex& parent, int first, int last) {
    auto inRange = [&](const QModelIndex& i) { return i.isValid() && i.row() >= first && i.row() <= last; };
    if (!parent.isValid()) {
        dropSelection_ = inRange(currentIndex());
        for (const QModelIndex& i : selectionModel()->selectedIndexes()) dropSelection_ = dropSelection_ || inRange(i);
    }
    QListWidget::rowsAboutToBeRemoved(parent, first, last);
}

} // namespace platform
