#include "platform/ui/richtextbox.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTimer>

namespace platform {
namespace {

QString lineFeeds(QString s) {
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(u'\r', u'\n');
    return s;
}

QString withLineFeeds(QString s) {
    s.replace(QChar::ParagraphSeparator, u'\n');
    s.replace(QChar::LineSeparator, u'\n');
    return s;
}

// Folds one more value into a property of a selection: none once two differ.
template <typename T>
void fold(std::optional<T>& into, const T& value, bool first) {
    if (first) into = value;
    else if (into && !(*into == value)) into.reset();
}

} // namespace

RichTextBox::RichTextBox(QWidget* parent) : QTextEdit(parent) {
    setAcceptRichText(false);
    // Each window shows its own pop-up menu on mouseUp.
    setContextMenuPolicy(Qt::PreventContextMenu);
    QFont f(QStringLiteral("宋体"));
    f.setPointSizeF(9);
    setFont(f);
    document()->setDefaultFont(f);
    setCurrentCharFormat(defaultFormat());
}

QTextCharFormat RichTextBox::defaultFormat() const {
    richtext::RunStyle s;
    s.font = QStringLiteral("宋体");
    s.size = 9;
    return richtext::charFormatOf(s);
}

void RichTextBox::insertRun(const QString& text, const FontChoice& font) {
    richtext::RunStyle s;
    s.font = font.name.isEmpty() ? QStringLiteral("宋体") : font.name;
    s.size = font.size > 0 ? font.size : 9;
    s.bold = font.bold;
    s.italic = font.italic;
    s.underline = font.underline;
    s.strikeout = font.strikeout;
    s.color = font.color.isValid() ? font.color : QColor(Qt::black);
    const QTextCharFormat format = richtext::charFormatOf(s);
    if (!building_) {
        // A window appends thousands of runs in one go: the box lays them out
        // once, when control returns to the event loop.
        building_ = true;
        QTextCursor(document()).beginEditBlock();
        QTimer::singleShot(0, this, [this] { endBuilding(); });
    }
    QTextCursor c = textCursor();
    c.insertText(lineFeeds(text), format);
    c.setCharFormat(format);
    setTextCursor(c);
}

void RichTextBox::endBuilding() {
    if (!building_) return;
    building_ = false;
    QTextCursor(document()).endEditBlock();
}

QString RichTextBox::text() const { return richtext::plainText(*document()); }

void RichTextBox::keepTogether(int start, int length) {
    if (length <= 0)
        return;
    QTextCursor c(document());
    c.setPosition(start);
    // The last character is the line end of the last line kept, not the line after it.
    c.setPosition(start + length - 1, QTextCursor::KeepAnchor);
    // Two marks in turn keep neighbouring units apart, and the document's
    // formats few however many units it holds.
    QTextBlockFormat unit;
    unit.setProperty(kKeepTogetherProperty, 1 + nextUnit_++ % 2);
    c.mergeBlockFormat(unit);
}

int RichTextBox::selStart() const { return textCursor().selectionStart(); }

int RichTextBox::selLength() const {
    const QTextCursor c = textCursor();
    return c.selectionEnd() - c.selectionStart();
}

QString RichTextBox::selText() const { return withLineFeeds(textCursor().selectedText()); }

void RichTextBox::setSelection(int start, int length) {
    const int last = document()->characterCount() - 1;   // the end of the text
    start = std::clamp(start, 0, last);
    QTextCursor c(document());
    c.setPosition(start);
    c.setPosition(std::clamp(start + std::max(length, 0), 0, last), QTextCursor::KeepAnchor);
    setTextCursor(c);
}

SelectionFont RichTextBox::selectionFont() const {
    SelectionFont out;
    const QTextCursor c = textCursor();
    bool first = true;
    auto add = [&](const QTextCharFormat& f) {
        const richtext::RunStyle s = richtext::runStyleOf(f, *document());
        fold(out.name, s.font, first);
        fold(out.size, s.size, first);
        fold(out.bold, s.bold, first);
        fold(out.italic, s.italic, first);
        fold(out.underline, s.underline, first);
        fold(out.strikeout, s.strikeout, first);
        fold(out.color, s.color, first);
        first = false;
    };
    if (!c.hasSelection()) {
        add(currentCharFormat());
        return out;
    }
    const int from = c.selectionStart(), to = c.selectionEnd();
    for (QTextBlock b = document()->findBlock(from); b.isValid() && b.position() < to; b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            if (frag.position() + frag.length() <= from || frag.position() >= to) continue;
            add(frag.charFormat());
        }
    }
    if (first) add(currentCharFormat());   // only line breaks selected
    return out;
}

void RichTextBox::mergeFormat(const QTextCharFormat& change) {
    if (textCursor().hasSelection()) {
        mergeCurrentCharFormat(change);
    } else {
        QTextCharFormat f = currentCharFormat();
        f.merge(change);
        setCurrentCharFormat(f);
    }
}

void RichTextBox::setSelFontName(const QString& name) {
    QTextCharFormat f;
    f.setFontFamilies(QStringList{name});
    mergeFormat(f);
}

void RichTextBox::setSelFontSize(double points) {
    QTextCharFormat f;
    f.setFontPointSize(points);
    mergeFormat(f);
}

void RichTextBox::setSelBold(bool on) {
    QTextCharFormat f;
    f.setFontWeight(on ? QFont::Bold : QFont::Normal);
    mergeFormat(f);
}

void RichTextBox::setSelItalic(bool on) {
    QTextCharFormat f;
    f.setFontItalic(on);
    mergeFormat(f);
}

void RichTextBox::setSelUnderline(bool on) {
    QTextCharFormat f;
    f.setFontUnderline(on);
    mergeFormat(f);
}

void RichTextBox::setSelStrikeout(bool on) {
    QTextCharFormat f;
    f.setFontStrikeOut(on);
    mergeFormat(f);
}

void RichTextBox::setSelColor(const QColor& color) {
    QTextCharFormat f;
    f.setForeground(color);
    mergeFormat(f);
}

bool RichTextBox::clipboardHasText() {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    return data && data->hasText() && !data->text().isEmpty();
}

QMimeData* RichTextBox::createMimeDataFromSelection() const {
    auto* data = new QMimeData;
    data->setText(selText());   // text only: the formatting stays in the box
    return data;
}

bool RichTextBox::canInsertFromMimeData(const QMimeData* source) const { return source && source->hasText(); }

void RichTextBox::insertFromMimeData(const QMimeData* source) {
    if (!source || !source->hasText()) return;
    QTextCursor c = textCursor();
    // Pasted text takes the formatting at the caret; over a selection, that
    // of the first character it replaces.
    QTextCharFormat format = c.charFormat();
    if (c.hasSelection()) {
        QTextCursor first(c.document());
        first.setPosition(c.selectionStart() + 1);
        format = first.charFormat();
    }
    c.insertText(lineFeeds(source->text()), format);
    setTextCursor(c);
}

void RichTextBox::mouseReleaseEvent(QMouseEvent* event) {
    QTextEdit::mouseReleaseEvent(event);
    emit mouseUp(event->button(), event->modifiers(), viewport()->mapTo(this, event->position().toPoint()));
}

void RichTextBox::saveFile(const QString& path, richtext::FileFormat format) {
    richtext::saveDocument(*document(), path, format);
}

void RichTextBox::loadFile(const QString& path) {
    // One edit block: the box lays the file out once, not run by run.
    QTextCursor(document()).beginEditBlock();
    try {
        richtext::loadDocument(*document(), path, defaultFormat());
    } catch (...) {
        QTextCursor(document()).endEditBlock();
        throw;
    }
    QTextCursor(document()).endEditBlock();
    QTextCursor c(document());
    setTextCursor(c);
    document()->setModified(false);
}

bool RichTextBox::print(PrintPrompt prompt) { return printText(textCursor(), prompt, window()->windowTitle()); }

} // namespace platform
