#include "platform/ui/plain_print.h"

#include "platform/text/message_titles.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/fixed_font.h"
#include "platform/ui/printing.h"

#include <QTextCursor>
#include <QTextDocument>

namespace platform {

bool printPlainText(const QStringList& items) {
    QTextDocument doc;
    doc.setDefaultFont(fixedColumnFont());
    QString text;
    for (const QString& item : items)
        text += item + u'\n';
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.chop(1);   // the last line end closes the last line
    QTextCursor(&doc).insertText(text);
    try {
        printText(QTextCursor(&doc), PrintPrompt::DefaultPrinter);
        return true;
    } catch (const PrintError& e) {
        dialogs().message(e.text(), MsgButtons::Ok, kCannotPrintTitle, MsgIcon::Warning);
        return false;
    }
}

} // namespace platform
