#include "typing.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTest>

void typeText(QWidget* widget, const QString& text) {
    if (auto* box = qobject_cast<QComboBox*>(widget); box && box->lineEdit()) widget = box->lineEdit();
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(widget, c.toLatin1());
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(QString(c));
            QCoreApplication::sendEvent(widget, &commit);
        }
    }
}
