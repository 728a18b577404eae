#pragma once
// Every message box, input box, file, font and print dialog goes through one
// service. The program installs the Qt one; tests install a scripted double
// so that no test ever waits on a person.

#include "platform/text/message_titles.h"

#include <QColor>
#include <QRect>
#include <QString>
#include <QStringList>
#include <optional>

class QDialog;
class QPrinter;
class QWidget;

namespace platform {

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
enum class MsgIcon { None, Information, Question, Warning, Critical };
enum class MsgResult { Ok, Cancel, Yes, No, Retry, Abort, Ignore };

// A file dialog as the windows ask for one. `filter` is in the system's own
// form: "Access数据库(*.mdb)|*.mdb|所有文件(*.*)|*.*" (pairs of caption|pattern).
struct FileRequest {
    QString title;
    QString filter;
    int filterIndex = 1;     // 1-based, as the windows count it
    QString fileName;        // preset name (may be a bare name or a path)
    QString initialFolder;
    bool confirmOverwrite = true;  // save dialogs: ask before an existing file is chosen
    bool allowNewFile = false;     // open dialogs: a name that does not exist yet may be typed
};

struct FontChoice {
    QString name;
    double size = 9;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
    QColor color = Qt::black;
};

enum class PrintRange { All, Selection };

class DialogService {
public:
    virtual ~DialogService() = default;

    // `title` empty means the program title.
    virtual MsgResult message(const QString& text, MsgButtons buttons = MsgButtons::Ok,
                              const QString& title = {}, MsgIcon icon = MsgIcon::None) = 0;
    // The same with the button that Enter presses (otherwise the first one):
    // a question whose Yes destroys data defaults to No.
    virtual MsgResult messageWithDefault(const QString& text, MsgButtons buttons, const QString& title,
                                         MsgResult defaultButton) {
        (void)defaultButton;
        return message(text, buttons, title);
    }
    // Returns the typed text, or the empty text on Cancel.
    virtual QString input(const QString& prompt, const QString& title = {},
                          const QString& defaultText = {}) = 0;
    // The chosen path, or none when the user cancelled.
    virtual std::optional<QString> openFile(const FileRequest& request) = 0;
    virtual std::optional<QString> saveFile(const FileRequest& request) = 0;
    virtual std::optional<QString> chooseFolder(const QString& title, const QString& initialFolder) = 0;
    // The font dialog with screen fonts and effects (strikeout, underline and
    // colour). A family that stands in for 宋体, 黑体 or 隶书 comes back under
    // that name.
    virtual std::optional<FontChoice> chooseFont(const FontChoice& initial) = 0;
    // The printer dialog, without page range. With `offerSelection` the choice
    // of printing only the selection is offered and preset. Sets up `printer`
    // and returns the range chosen, or none when cancelled.
    virtual std::optional<PrintRange> choosePrinter(QPrinter& printer, bool offerSelection = false) = 0;
    // Sets up `printer` as the default printer, without a dialog; false when
    // no printer is installed.
    virtual bool defaultPrinter(QPrinter& printer) = 0;
    // Runs one of the system's own modal windows (login, class input ...)
    // and returns its QDialog result. Tests answer it in place of a person.
    virtual int runModal(QDialog& dialog) = 0;
    // A fault of the program itself stopped a command (see Application):
    // the user gets kProgramFaultText, the log has `detail`. Tests fail on it.
    virtual void programFault(const QString& detail) {
        (void)detail;
        message(kProgramFaultText, MsgButtons::Ok, kErrorTitle, MsgIcon::Critical);
    }
};

// The service in use. Until one is installed, the Qt service is used.
DialogService& dialogs();
// Installs a service (tests); nullptr goes back to the Qt service.
void setDialogService(DialogService* service);

// Where the program's message box of `text` (OK button) lies when shown,
// frame included: tests check that a message fits the screen. A text taller
// than the screen is shown as far as it fits, the whole of it in the details.
QRect messageBoxGeometry(const QString& text, const QString& title = {}, MsgIcon icon = MsgIcon::None);

// The title a message box shows when its caller gives none.
void setProgramTitle(const QString& title);
QString programTitle();

} // namespace platform

namespace platform {

// One file type of a file dialog: the text its list shows and the patterns
// the files must match ("*" for every file).
struct NameFilter {
    QString caption;
    QStringList patterns;
    bool operator==(const NameFilter&) const = default;
};

// The system's filter text ("Access数据库(*.mdb)|*.mdb|所有文件(*.*)|*.*") as
// file types. A caption that already names its patterns is shown as it
// stands ("Access数据库(*.mdb)"); any other gets them added ("文本文件 (*.txt
// *.csv)"). A pattern list "*.txt;*.csv" becomes "*.txt", "*.csv"; "*.*" means
// every file, with or without an extension.
QList<NameFilter> fileTypes(const QString& filter);

} // namespace platform
