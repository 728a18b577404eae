#pragma once
// The one way the windows print formatted text: on a printer the dialog
// service sets up (the printer dialog, or the default printer without one),
// so that tests print to PDF files.

#include <QString>
#include <stdexcept>

class QPrinter;
class QTextCursor;
class QTextDocument;

namespace platform {

// The printer could not be set up or could not start the document.
class PrintError : public std::runtime_error {
public:
    explicit PrintError(const QString& what) : std::runtime_error(what.toStdString()), text_(what) {}
    QString text() const { return text_; }
private:
    QString text_;
};

// Prints the whole document, paged to the printer's page, with its formatting.
void printDocument(const QTextDocument& doc, QPrinter& printer);   // throws PrintError

enum class PrintPrompt { PrinterDialog, DefaultPrinter };

// Prints the text of `cursor`'s document: with the printer dialog, which
// offers and presets printing the selection when the cursor has one, and
// prints what the user chose; or on the default printer, the selection when
// there is one, else everything. False when the user cancelled the dialog;
// PrintError when there is no printer or it fails.
bool printText(const QTextCursor& cursor, PrintPrompt prompt);

} // namespace platform
