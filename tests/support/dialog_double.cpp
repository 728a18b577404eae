#include "dialog_double.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <gtest/gtest.h>
#include <utility>
#include "support/test_files.h"

using platform::MsgButtons;
using platform::MsgResult;

namespace {

using testsupport::str;

const char* resultName(MsgResult r) {
    switch (r) {
    case MsgResult::Ok: return "Ok";
    case MsgResult::Cancel: return "Cancel";
    case MsgResult::Yes: return "Yes";
    case MsgResult::No: return "No";
    case MsgResult::Retry: return "Retry";
    case MsgResult::Abort: return "Abort";
    case MsgResult::Ignore: return "Ignore";
    }
    return "?";
}

bool offers(MsgButtons buttons, MsgResult r) {
    switch (buttons) {
    case MsgButtons::Ok: return r == MsgResult::Ok;
    case MsgButtons::OkCancel: return r == MsgResult::Ok || r == MsgResult::Cancel;
    case MsgButtons::YesNo: return r == MsgResult::Yes || r == MsgResult::No;
    case MsgButtons::YesNoCancel: return r == MsgResult::Yes || r == MsgResult::No || r == MsgResult::Cancel;
    case MsgButtons::RetryCancel: return r == MsgResult::Retry || r == MsgResult::Cancel;
    case MsgButtons::AbortRetryIgnore:
        return r == MsgResult::Abort || r == MsgResult::Retry || r == MsgResult::Ignore;
    }
    return false;
}

// The button Enter presses when the caller named none; a retry, which would
// only ask again, is cancelled.
MsgResult firstButton(MsgButtons buttons) {
    switch (buttons) {
    case MsgButtons::Ok:
    case MsgButtons::OkCancel: return MsgResult::Ok;
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel: return MsgResult::Yes;
    case MsgButtons::RetryCancel: return MsgResult::Cancel;
    case MsgButtons::AbortRetryIgnore: return MsgResult::Abort;
    }
    return MsgResult::Ok;
}

// What an unanswered box gives: the choice that changes nothing.
MsgResult safeAnswer(MsgButtons buttons) {
    switch (buttons) {
    case MsgButtons::Ok: return MsgResult::Ok;
    case MsgButtons::YesNo: return MsgResult::No;
    case MsgButtons::AbortRetryIgnore: return MsgResult::Abort;
    default: return MsgResult::Cancel;
    }
}

QString titleShown(const QString& title) { return title.isEmpty() ? platform::programTitle() : title; }

// The service in place when no DialogDouble is: every dialog fails the test.
class StrayDialogGuard : public platform::DialogService {
public:
    MsgResult message(const QString& text, MsgButtons buttons, const QString&, platform::MsgIcon) override {
        stray("message box", text);
        return safeAnswer(buttons);
    }
    QString input(const QString& prompt, const QString&, const QString&) override {
        stray("input box", prompt);
        return {};
    }
    std::optional<QString> openFile(const platform::FileRequest& r) override { stray("open dialog", r.title); return {}; }
    std::optional<QString> saveFile(const platform::FileRequest& r) override { stray("save dialog", r.title); return {}; }
    std::optional<QString> chooseFolder(const QString& title, const QString&) override {
        stray("folder dialog", title);
        return {};
    }
    std::optional<platform::FontChoice> chooseFont(const platform::FontChoice&) override {
        stray("font dialog", {});
        return {};
    }
    std::optional<platform::PrintRange> choosePrinter(QPrinter&, bool) override {
        stray("print dialog", {});
        return std::nullopt;
    }
    bool defaultPrinter(QPrinter&) override {
        stray("default printer", {});
        return false;
    }
    int runModal(QDialog& dialog) override {
        stray("modal window", dialog.windowTitle());
        return QDialog::Rejected;
    }
    void programFault(const QString& detail) override { ADD_FAILURE() << "a fault of the program: " << str(detail); }

private:
    static void stray(const char* kind, const QString& text) {
        ADD_FAILURE() << kind << " shown with no DialogDouble in place: \"" << str(text) << "\"";
    }
};

} // namespace

void installStrayDialogGuard() {
    static StrayDialogGuard guard;
    platform::setDialogService(&guard);
}

class DialogDouble::Service : public platform::DialogService {
public:
    explicit Service(DialogDouble& d) : d_(d) {}
    MsgResult message(const QString& text, MsgButtons buttons, const QString& title,
                      platform::MsgIcon icon) override {
        return d_.message(text, buttons, title, icon);
    }
    MsgResult messageWithDefault(const QString& text, MsgButtons buttons, const QString& title,
                                 MsgResult defaultButton) override {
        d_.pendingDefault_ = defaultButton;
        const MsgResult r = d_.message(text, buttons, title, platform::MsgIcon::None);
        d_.shown_.back().defaultButton = defaultButton;
        return r;
    }
    QString input(const QString& prompt, const QString& title, const QString& defaultText) override {
        return d_.input(prompt, title, defaultText);
    }
    std::optional<QString> openFile(const platform::FileRequest& request) override {
        return d_.fileDialog(QStringLiteral("open"), request);
    }
    std::optional<QString> saveFile(const platform::FileRequest& request) override {
        return d_.fileDialog(QStringLiteral("save"), request);
    }
    std::optional<QString> chooseFolder(const QString& title, const QString& initialFolder) override {
        return d_.folder(title, initialFolder);
    }
    std::optional<platform::FontChoice> chooseFont(const platform::FontChoice& initial) override {
        return d_.font(initial);
    }
    std::optional<platform::PrintRange> choosePrinter(QPrinter& printer, bool offerSelection) override {
        return d_.printer(printer, offerSelection);
    }
    bool defaultPrinter(QPrinter& printer) override { return d_.defaultPrinter(printer); }
    int runModal(QDialog& dialog) override { return d_.modal(dialog); }
    void programFault(const QString& detail) override { d_.fault(detail); }

private:
    DialogDouble& d_;
};

class DialogDouble::Queue : public platform::PrintQueue {
public:
    explicit Queue(Refusal when) : when_(when) {}
    bool acceptsJobs(const QPrinter&) override { return when_ != Refusal::AtStart; }
    bool tookLastJob(const QPrinter&) override { return when_ != Refusal::OnHandOver; }
private:
    Refusal when_;
};

DialogDouble::DialogDouble() : service_(std::make_unique<Service>(*this)), previous_(&platform::dialogs()) {
    platform::setDialogService(service_.get());
}

DialogDouble::~DialogDouble() {
    platform::setDialogService(previous_);
    if (queue_)
        platform::setPrintQueue(previousQueue_);
    for (const Entry& e : script_) {
        const char* what = "";
        switch (e.kind) {
        case Kind::Message: what = "message answer"; break;
        case Kind::Input: what = "input answer"; break;
        case Kind::File: what = "file choice"; break;
        case Kind::Folder: what = "folder choice"; break;
        case Kind::Font: what = "font choice"; break;
        case Kind::Printer: what = "printer acceptance"; break;
        case Kind::Cancel: what = "dialog cancel"; break;
        case Kind::Modal: what = "modal window script"; break;
        }
        ADD_FAILURE() << "scripted " << what << " never used"
                      << (e.expected.isEmpty() ? std::string() : " (expected \"" + str(e.expected) + "\")")
                      << (e.text.isEmpty() ? std::string() : " (\"" + str(e.text) + "\")");
    }
}

DialogDouble& DialogDouble::add(Kind kind, Entry e) {
    e.kind = kind;
    script_.push_back(std::move(e));
    return *this;
}

DialogDouble& DialogDouble::add(Kind kind) { return add(kind, Entry()); }

DialogDouble::Shown& DialogDouble::record(const QString& kind, const QString& text, const QString& title) {
    Shown s;
    s.kind = kind;
    s.text = text;
    s.title = title;
    shown_.push_back(std::move(s));
    return shown_.back();
}

DialogDouble& DialogDouble::answerMessage(MsgResult r, const QString& expectedText) {
    Entry e;
    e.result = r;
    e.expected = expectedText;
    return add(Kind::Message, std::move(e));
}

DialogDouble& DialogDouble::answerInput(const QString& typed, const QString& expectedPrompt) {
    Entry e;
    e.text = typed;
    e.expected = expectedPrompt;
    return add(Kind::Input, std::move(e));
}

DialogDouble& DialogDouble::chooseFile(const QString& path) {
    Entry e;
    e.text = path;
    return add(Kind::File, std::move(e));
}

DialogDouble& DialogDouble::chooseFolder(const QString& path) {
    Entry e;
    e.text = path;
    return add(Kind::Folder, std::move(e));
}

DialogDouble& DialogDouble::chooseFont(const platform::FontChoice& font) {
    Entry e;
    e.font = font;
    return add(Kind::Font, std::move(e));
}

DialogDouble& DialogDouble::acceptPrinter(platform::PrintRange range) {
    Entry e;
    e.range = range;
    return add(Kind::Printer, std::move(e));
}

DialogDouble& DialogDouble::printToPdf(const QString& path) {
    pdfPath_ = path;
    return *this;
}

DialogDouble& DialogDouble::noPrinterInstalled() {
    noPrinter_ = true;
    return *this;
}

DialogDouble& DialogDouble::queueRefuses(Refusal when) {
    if (!queue_)
        previousQueue_ = &platform::printQueue();
    queue_ = std::make_unique<Queue>(when);
    platform::setPrintQueue(queue_.get());
    return *this;
}

DialogDouble& DialogDouble::cancelDialog() { return add(Kind::Cancel); }

DialogDouble& DialogDouble::answerEveryDialog(const QString& folder) {
    autoFolder_ = folder;
    return *this;
}

QString DialogDouble::freshPath(const QString& name) {
    const QString sub = QString::number(++autoCount_);
    QDir(autoFolder_).mkpath(sub);
    const QString dir = QDir(autoFolder_).filePath(sub);
    return name.isEmpty() ? dir : QDir(dir).filePath(name);
}

DialogDouble& DialogDouble::runModalWith(std::function<int(QDialog&)> script) {
    Entry e;
    e.modal = std::move(script);
    return add(Kind::Modal, std::move(e));
}

bool DialogDouble::take(const QString& shownKind, const QString& text, Entry& out) {
    auto answers = [&](Kind k) {
        if (shownKind == u"message") return k == Kind::Message;
        if (shownKind == u"input") return k == Kind::Input;
        if (shownKind == u"modal") return k == Kind::Modal;
        if (k == Kind::Cancel) return true;
        if (shownKind == u"open" || shownKind == u"save") return k == Kind::File;
        if (shownKind == u"folder") return k == Kind::Folder;
        if (shownKind == u"font") return k == Kind::Font;
        if (shownKind == u"printer") return k == Kind::Printer;
        return false;
    };
    for (auto it = script_.begin(); it != script_.end(); ++it) {
        if (answers(it->kind)) {
            out = std::move(*it);
            script_.erase(it);
            return true;
        }
    }
    if (autoFolder_.isEmpty())
        ADD_FAILURE() << "unscripted " << str(shownKind) << " dialog: \"" << str(text) << "\"";
    return false;
}

MsgResult DialogDouble::message(const QString& text, MsgButtons buttons, const QString& title,
                                platform::MsgIcon icon) {
    Shown& s = record(QStringLiteral("message"), text, titleShown(title));
    s.buttons = buttons;
    s.icon = icon;
    const std::optional<MsgResult> preset = std::exchange(pendingDefault_, std::nullopt);
    Entry e;
    if (!take(QStringLiteral("message"), text, e)) {
        if (autoFolder_.isEmpty()) return safeAnswer(buttons);
        return preset ? *preset : firstButton(buttons);
    }
    if (!e.expected.isEmpty() && e.expected != text)
        ADD_FAILURE() << "message box shows \"" << str(text) << "\", expected \"" << str(e.expected) << "\"";
    if (!offers(buttons, e.result)) {
        ADD_FAILURE() << "message box \"" << str(text) << "\" has no button for the scripted answer "
                      << resultName(e.result);
        return safeAnswer(buttons);
    }
    return e.result;
}

QString DialogDouble::input(const QString& prompt, const QString& title, const QString& defaultText) {
    record(QStringLiteral("input"), prompt, titleShown(title)).defaultText = defaultText;
    Entry e;
    if (!take(QStringLiteral("input"), prompt, e)) {
        if (autoFolder_.isEmpty()) return {};
        return defaultText.isEmpty() ? QStringLiteral("1") : defaultText;
    }
    if (!e.expected.isEmpty() && e.expected != prompt)
        ADD_FAILURE() << "input box asks \"" << str(prompt) << "\", expected \"" << str(e.expected) << "\"";
    return e.text;
}

std::optional<QString> DialogDouble::fileDialog(const QString& kind, const platform::FileRequest& request) {
    record(kind, request.title, request.title).file = request;
    Entry e;
    if (!take(kind, request.title, e)) {
        if (autoFolder_.isEmpty()) return std::nullopt;
        const QString preset = QFileInfo(request.fileName).fileName();
        return freshPath(preset.isEmpty() ? QStringLiteral("文件") : preset);
    }
    if (e.kind == Kind::Cancel) return std::nullopt;
    return e.text;
}

std::optional<QString> DialogDouble::folder(const QString& title, const QString& initialFolder) {
    record(QStringLiteral("folder"), title, title).file.initialFolder = initialFolder;
    Entry e;
    if (!take(QStringLiteral("folder"), title, e)) {
        if (autoFolder_.isEmpty()) return std::nullopt;
        return freshPath({});
    }
    if (e.kind == Kind::Cancel) return std::nullopt;
    return e.text;
}

std::optional<platform::FontChoice> DialogDouble::font(const platform::FontChoice& initial) {
    record(QStringLiteral("font"), initial.name, {}).font = initial;
    Entry e;
    if (!take(QStringLiteral("font"), initial.name, e)) {
        if (autoFolder_.isEmpty()) return std::nullopt;
        return initial;
    }
    if (e.kind == Kind::Cancel) return std::nullopt;
    return e.font;
}

std::optional<platform::PrintRange> DialogDouble::printer(QPrinter& printer, bool offerSelection) {
    record(QStringLiteral("printer"), {}, {}).selectionOffered = offerSelection;
    Entry e;
    if (!take(QStringLiteral("printer"), {}, e)) {
        if (autoFolder_.isEmpty()) return std::nullopt;
        e.kind = Kind::Printer;
        if (pdfPath_.isEmpty()) pdfPath_ = freshPath(QStringLiteral("printed.pdf"));
    }
    if (e.kind != Kind::Printer) return std::nullopt;
    if (e.range == platform::PrintRange::Selection && !offerSelection)
        ADD_FAILURE() << "printer dialog answered with the selection, which it did not offer";
    if (pdfPath_.isEmpty())
        ADD_FAILURE() << "printer dialog accepted with no PDF file to print to (printToPdf)";
    sendToPdf(printer);
    return offerSelection ? e.range : platform::PrintRange::All;
}

bool DialogDouble::defaultPrinter(QPrinter& printer) {
    record(QStringLiteral("default printer"), {}, {});
    if (noPrinter_) return false;
    if (pdfPath_.isEmpty() && !autoFolder_.isEmpty()) pdfPath_ = freshPath(QStringLiteral("printed.pdf"));
    if (pdfPath_.isEmpty()) {
        ADD_FAILURE() << "printing on the default printer with no PDF file to print to (printToPdf)";
        return false;
    }
    sendToPdf(printer);
    return true;
}

void DialogDouble::sendToPdf(QPrinter& printer) const {
    if (pdfPath_.isEmpty()) return;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdfPath_);
}

int DialogDouble::modal(QDialog& dialog) {
    record(QStringLiteral("modal"), dialog.windowTitle(), dialog.windowTitle());
    Entry e;
    if (!take(QStringLiteral("modal"), dialog.windowTitle(), e)) {
        if (!autoFolder_.isEmpty()) {
            // Opened and closed as a person would who changed nothing.
            dialog.show();
            QCoreApplication::processEvents();
            if (dialog.isVisible()) dialog.done(QDialog::Rejected);
        }
        return QDialog::Rejected;
    }
    // Shown as exec() would, so that show-time set-up runs and controls report visible.
    dialog.show();
    const int result = e.modal ? e.modal(dialog) : int(QDialog::Rejected);
    // A script that did not close the window ends it with its result, as the user would.
    if (dialog.isVisible()) dialog.done(result);
    return result;
}

void DialogDouble::fault(const QString& detail) {
    record(QStringLiteral("message"), platform::kProgramFaultText, platform::kErrorTitle).icon = platform::MsgIcon::Critical;
    faults_ << detail;
    ADD_FAILURE() << "a fault of the program: " << str(detail);
}

QStringList DialogDouble::messages() const {
    QStringList out;
    for (const Shown& s : shown_)
        if (s.kind == u"message") out << s.text;
    return out;
}

QString DialogDouble::lastMessage() const {
    for (auto it = shown_.rbegin(); it != shown_.rend(); ++it)
        if (it->kind == u"message") return it->text;
    return {};
}

QString DialogDouble::lastTitle() const {
    for (auto it = shown_.rbegin(); it != shown_.rend(); ++it)
        if (it->kind == u"message") return it->title;
    return {};
}
