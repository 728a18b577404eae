#pragma once
// The preview and editor box of the print windows: runs of text in a chosen
// font, size, style and colour; selection and its formatting; plain-text
// clipboard; saving, opening and printing. Formats keep the font name the
// window gave (宋体, not the family it resolves to here), so files and
// settings carry the system's names.

#include "platform/richtext/rtf.h"
#include "platform/text/gbk.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/printing.h"

#include <QTextEdit>
#include <optional>

namespace platform {

// The formatting of a selection: each property has one value, or none where
// the selection mixes values.
struct SelectionFont {
    std::optional<QString> name;
    std::optional<double> size;
    std::optional<bool> bold;
    std::optional<bool> italic;
    std::optional<bool> underline;
    std::optional<bool> strikeout;
    std::optional<QColor> color;
};

class RichTextBox : public QTextEdit {
    Q_OBJECT
public:
    explicit RichTextBox(QWidget* parent = nullptr);

    // Inserts a run at the insertion point; the point moves behind it. A line
    // feed (or CR LF) starts a new line.
    void insertRun(const QString& text, const FontChoice& font);
    // The text with one line feed per line break.
    QString text() const;
    // The lines holding the `length` characters from `start` (an admission
    // card, say) are printed on one page: the page breaks before them when
    // they do not fit on the rest of it.
    void keepTogether(int start, int length);

    // Selection in characters, a line break counting one.
    int selStart() const;
    int selLength() const;
    QString selText() const;
    void setSelection(int start, int length);

    // The selection's formatting, or the insertion point's when nothing is selected.
    SelectionFont selectionFont() const;
    // Each sets one property on the selection, or on the insertion point when
    // nothing is selected (the next typed text takes it).
    void setSelFontName(const QString& name);
    void setSelFontSize(double points);
    void setSelBold(bool on);
    void setSelItalic(bool on);
    void setSelUnderline(bool on);
    void setSelStrikeout(bool on);
    void setSelColor(const QColor& color);

    // True when the clipboard holds text that is not empty (the paste item's rule).
    static bool clipboardHasText();

    // Saves the whole content; throws FileError (or GbkError for plain text).
    void saveFile(const QString& path, richtext::FileFormat format = richtext::FileFormat::RichText);
    // Opens a rich-text or plain-text file, whatever its extension; on
    // failure (FileError, GbkError) the box keeps its content.
    void loadFile(const QString& path);
    // Prints the selection or everything (see printText) as a job named
    // after the box's window; false when the printer dialog was cancelled;
    // throws PrintError.
    bool print(PrintPrompt prompt);

    // The format of text that has none of its own: 宋体 9 pt, black.
    QTextCharFormat defaultFormat() const;

signals:
    // A mouse button released over the box, at `pos` in the box's coordinates:
    // each window shows its own pop-up menu.
    void mouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, const QPoint& pos);

protected:
    QMimeData* createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void mergeFormat(const QTextCharFormat& change);
    void endBuilding();

    bool building_ = false;
    int nextUnit_ = 0;
};

} // namespace platform
