#include "support/command_session.h"

#include "support/test_files.h"

#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QRegularExpression>
#include <QWidget>
#include <gtest/gtest.h>

void closeWindowsBeside(const QWidget* main) {
    for (int round = 0; round < 3; ++round) {
        // A window closed may take others with it.
        QList<QPointer<QWidget>> open;
        for (QWidget* top : QApplication::topLevelWidgets())
            open << top;
        for (const QPointer<QWidget>& top : open)
            if (top && top != main && top->isVisible() && top->isWindow() && !qobject_cast<QMenu*>(top.data())) {
                top->close();
                QCoreApplication::processEvents();
            }
    }
}

size_t expectOwnMessages(const DialogDouble& dialogs, size_t from, const QStringList& paths) {
    // Two Latin words in a row: the system's messages name files and fields
    // (STID, SQL, Excel) but say nothing in English.
    static const QRegularExpression english(QStringLiteral("[A-Za-z]{2,}[ :]+[A-Za-z]{2,}"));
    const auto& shown = dialogs.shown();
    for (; from < shown.size(); ++from) {
        const auto& s = shown[from];
        if (s.kind != u"message")
            continue;
        QString text = s.text;
        for (const QString& path : paths)
            text.remove(path);
        EXPECT_FALSE(english.match(text).hasMatch())
            << "a box that is not the system's own: \"" << testsupport::str(s.text) << "\" ("
            << testsupport::str(s.title) << ")";
    }
    return from;
}
