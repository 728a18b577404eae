#pragma once
// The one way the windows print formatted text: on a printer the dialog
// service sets up (the printer dialog, or the default printer without one),
// so that tests print to PDF files.

#include "platform/text/message_error.h"

#include <QString>
#include <QTextFormat>
#include <stdexcept>

class QPrinter;
class QTextCursor;
class QTextDocument;

namespace platform {

// The printer could not be set up or could not start the document.
class PrintError : public MessageError {
public:
    explicit PrintError(const QString& what) : MessageError(what) {}
};

// What the print system tells of a printer's queue. The queue is asked
// before a job starts and once the job was handed over; tests put in their
// own answers.
class PrintQueue {
public:
    virtual ~PrintQueue() = default;
    // False when the queue refuses new jobs. A paused queue takes them and
    // holds them.
    virtual bool acceptsJobs(const QPrinter& printer) = 0;
    // False when the print system refused the job just ended on `printer`;
    // true when it cannot tell.
    virtual bool tookLastJob(const QPrinter& printer) = 0;
};
// The queue in use: the system's until one is installed.
PrintQueue& printQueue();
// Installs a queue (tests); nullptr goes back to the system's.
void setPrintQueue(PrintQueue* queue);

// Blocks whose format holds the same value of this property are one unit:
// a unit shorter than a page is printed on one page, the page breaking
// before it rather than inside it.
inline constexpr int kKeepTogetherProperty = QTextFormat::UserProperty + 1;

// Prints the whole document, paged to the printer's page, with its formatting.
// The job goes out under the printer's document name.
void printDocument(const QTextDocument& doc, QPrinter& printer);   // throws PrintError

// Sets up `printer` as the default printer for a job named `jobName`;
// PrintError when there is none.
void setUpDefaultPrinter(QPrinter& printer, const QString& jobName);

enum class PrintPrompt { PrinterDialog, DefaultPrinter };

// Prints the text of `cursor`'s document as the job `jobName` (the queue
// shows it; the printing window's caption): with the printer dialog, which
// offers and presets printing the selection when the cursor has one, and
// prints what the user chose; or on the default printer, the selection when
// there is one, else everything. False when the user cancelled the dialog;
// PrintError when there is no printer, its queue refuses the job, or it fails.
bool printText(const QTextCursor& cursor, PrintPrompt prompt, const QString& jobName);

} // namespace platform
