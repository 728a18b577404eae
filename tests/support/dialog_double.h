#pragma once
// Answers the program's dialogs from a script the test gives, and records
// everything it was shown. A dialog the script does not answer fails the
// test at once with its text and gets the safe answer, so no test hangs.

#include "platform/ui/dialogs.h"
#include "platform/ui/printing.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <memory>
#include <vector>

// Not itself a DialogService (its script method chooseFont would clash with
// the service's): it installs an inner service that answers from its script.
class DialogDouble {
public:
    DialogDouble();    // installs itself as the service
    ~DialogDouble();   // puts back the service it replaced; fails on unused answers
    DialogDouble(const DialogDouble&) = delete;
    DialogDouble& operator=(const DialogDouble&) = delete;

    // The script, consumed in order; each entry answers the next dialog of its
    // kind. An expected text, when given, must equal the shown text.
    DialogDouble& answerMessage(platform::MsgResult r = platform::MsgResult::Ok,
                                const QString& expectedText = {});
    DialogDouble& answerInput(const QString& typed, const QString& expectedPrompt = {}); // "" = Cancel
    DialogDouble& chooseFile(const QString& path);       // next open or save dialog
    DialogDouble& chooseFolder(const QString& path);
    DialogDouble& chooseFont(const platform::FontChoice& font);
    // Answers the next printer dialog with the range the user chose.
    DialogDouble& acceptPrinter(platform::PrintRange range = platform::PrintRange::All);
    // Every printer set up from now on, by the dialog or as the default
    // printer, writes a PDF file here (empty: none; the default printer then
    // fails the test).
    DialogDouble& printToPdf(const QString& path);
    // The machine has no printer: the default printer cannot be set up.
    DialogDouble& noPrinterInstalled();
    // The printer's queue refuses jobs: before one starts (the queue was told
    // to reject them), or only once the job was handed over.
    enum class Refusal { AtStart, OnHandOver };
    DialogDouble& queueRefuses(Refusal when = Refusal::AtStart);
    DialogDouble& cancelDialog();                         // next file/folder/font/printer dialog
    DialogDouble& runModalWith(std::function<int(QDialog&)> script); // next modal window
    // From now on a dialog the script does not answer is answered as a person
    // going through every command would: a message box with its default
    // button (a retry is cancelled), an input box with its preset text or "1", a file or folder
    // dialog with a new path inside `folder` (a save keeps its preset name),
    // a font dialog with its preset font, a printer dialog with PDF files
    // there, a modal window by closing it.
    DialogDouble& answerEveryDialog(const QString& folder);

    struct Shown {
        QString kind;      // "message", "input", "open", "save", "folder", "font", "printer",
                           // "default printer", "modal"
        QString text;      // message text, input prompt, dialog title or modal window caption
        QString title;     // the title shown (the program title when the caller gave none)
        platform::MsgButtons buttons = platform::MsgButtons::Ok;
        platform::FileRequest file;
        platform::MsgIcon icon = platform::MsgIcon::None;
        QString defaultText;   // input box
        platform::FontChoice font;     // font dialog: what it was preset with
        bool selectionOffered = false; // printer dialog: printing the selection offered and preset
        std::optional<platform::MsgResult> defaultButton;   // message box, when the caller named one
    };
    const std::vector<Shown>& shown() const { return shown_; }   // everything shown, in order
    QStringList messages() const;   // the texts of the message boxes shown
    QString lastMessage() const;    // "" when none was shown
    QString lastTitle() const;      // title of the last message box, "" when none
    // The details of the program's faults shown (see platform::Application);
    // each has already failed the test.
    const QStringList& faults() const { return faults_; }

private:
    class Service;
    friend class Service;
    enum class Kind { Message, Input, File, Folder, Font, Printer, Cancel, Modal };
    struct Entry {
        Kind kind = Kind::Message;
        platform::MsgResult result = platform::MsgResult::Ok;
        QString text;       // typed text, chosen path or folder
        QString expected;   // expected message text or prompt
        platform::FontChoice font;
        platform::PrintRange range = platform::PrintRange::All;
        std::function<int(QDialog&)> modal;
    };

    DialogDouble& add(Kind kind, Entry e);
    DialogDouble& add(Kind kind);
    Shown& record(const QString& kind, const QString& text, const QString& title);
    // Takes the first entry that answers a dialog of `shownKind`; fails the test when none does.
    bool take(const QString& shownKind, const QString& text, Entry& out);
    std::optional<QString> fileDialog(const QString& kind, const platform::FileRequest& request);

    platform::MsgResult message(const QString& text, platform::MsgButtons buttons,
                                const QString& title, platform::MsgIcon icon);
    QString input(const QString& prompt, const QString& title, const QString& defaultText);
    std::optional<QString> folder(const QString& title, const QString& initialFolder);
    std::optional<platform::FontChoice> font(const platform::FontChoice& initial);
    std::optional<platform::PrintRange> printer(QPrinter& printer, bool offerSelection);
    bool defaultPrinter(QPrinter& printer);
    void sendToPdf(QPrinter& printer) const;
    int modal(QDialog& dialog);
    void fault(const QString& detail);
    QString freshPath(const QString& name);

    class Queue;
    std::unique_ptr<Service> service_;
    std::unique_ptr<Queue> queue_;
    platform::PrintQueue* previousQueue_ = nullptr;
    std::vector<Entry> script_;
    std::vector<Shown> shown_;
    QString pdfPath_;
    QString autoFolder_;
    int autoCount_ = 0;
    std::optional<platform::MsgResult> pendingDefault_;
    QStringList faults_;
    bool noPrinter_ = false;
    platform::DialogService* previous_;
};

// Installed by the test runner before any test: a dialog shown where no
// DialogDouble is in place fails the test instead of waiting on a person.
void installStrayDialogGuard();
