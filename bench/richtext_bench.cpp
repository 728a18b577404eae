// Measures rich-text saving and loading against Qt's own HTML of the same
// document, in the same run: admission cards for a school of 3 grade levels x
// 60 classes x 56 students (10,080), five lines per student, two fonts, about
// ten runs a student.
//   (1) RTF writing   vs  QTextDocument::toHtml
//   (2) RTF reading   vs  QTextDocument::setHtml
//   (3) opening the file in the shown box, laid out  vs  QTextEdit::setHtml, laid out
// Goal: each at most 1.5x its baseline.

#include "platform/richtext/rtf.h"
#include "platform/ui/richtextbox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

using namespace platform::richtext;

namespace {

void buildCards(QTextDocument& doc) {
    std::mt19937 rng(20040901);
    const QString given = QString::fromUtf8("伟芳娜敏静丽强磊军洋勇艳杰娟涛明超秀霞平刚桂英华");
    const QString family = QString::fromUtf8("王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗");
    RunStyle title{QStringLiteral("宋体"), 10};
    RunStyle titleBold = title;
    titleBold.bold = true;
    RunStyle number{QStringLiteral("黑体"), 20};
    RunStyle numberRed = number;
    numberRed.color = QColor(200, 0, 0);
    const QTextCharFormat fTitle = charFormatOf(title), fTitleBold = charFormatOf(titleBold),
                          fNumber = charFormatOf(number), fRed = charFormatOf(numberRed);
    QTextCursor c(&doc);
    int room = 1, seat = 0;
    for (int g = 0; g < 3; ++g)
        for (int cls = 1; cls <= 60; ++cls)
            for (int n = 1; n <= 56; ++n) {
                if (++seat > 30) { seat = 1; ++room; }
                QString name = family[int(rng() % family.size())];
                name += given[int(rng() % given.size())];
                if (rng() % 2) name += given[int(rng() % given.size())];
                const QString exam = QStringLiteral("%1%2%3").arg(2004 + g).arg(room, 3, 10, QLatin1Char('0'))
                                         .arg(seat, 2, 10, QLatin1Char('0'));
                c.insertText(QStringLiteral("2000年第二学年度期未考试"), fTitleBold);
                c.insertText(QStringLiteral("准考证\n"), fTitle);
                c.insertText(QStringLiteral("姓名: "), fTitle);
                c.insertText(name + u'\n', fNumber);
                c.insertText(QStringLiteral("考号: "), fTitle);
                c.insertText(exam + u'\n', fRed);
                c.insertText(QStringLiteral("考室: "), fTitle);
                c.insertText(QStringLiteral("%1考室\t座位: ").arg(room), fNumber);
                c.insertText(QStringLiteral("%1\n").arg(seat), fRed);
                c.insertText(QStringLiteral("----------------------------------------\n"), fTitle);
            }
}

double best(int runs, const std::function<void()>& f) {
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        f();
        t.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextDocument doc;
    doc.setUndoRedoEnabled(false);
    doc.setDefaultFont(QFont(QStringLiteral("宋体"), 9));
    buildCards(doc);
    std::printf("document: %d blocks, %d characters\n", doc.blockCount(), doc.characterCount());

    QByteArray rtf;
    QString html;
    const double writeRtf = best(3, [&] { rtf = toRtf(doc); });
    const double writeHtml = best(3, [&] { html = doc.toHtml(); });
    std::printf("(1) save   rtf %8.1f ms   html %8.1f ms   ratio %.2f   (%lld vs %lld bytes)\n", writeRtf, writeHtml,
                writeRtf / writeHtml, (long long)rtf.size(), (long long)html.toUtf8().size());

    const double readRtfMs = best(3, [&] {
        QTextDocument d;
        d.setUndoRedoEnabled(false);
        readRtf(rtf, d);
    });
    const double readHtml = best(3, [&] {
        QTextDocument d;
        d.setUndoRedoEnabled(false);
        d.setHtml(html);
    });
    std::printf("(2) load   rtf %8.1f ms   html %8.1f ms   ratio %.2f\n", readRtfMs, readHtml, readRtfMs / readHtml);

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("cards.rtf"));
    saveDocument(doc, file);
    platform::RichTextBox box;
    box.resize(800, 600);
    box.show();
    QTextEdit edit;
    edit.resize(800, 600);
    edit.show();
    app.processEvents();
    const double boxMs = best(3, [&] {
        box.loadFile(file);
        app.processEvents();
    });
    const double editMs = best(3, [&] {
        edit.setHtml(html);
        app.processEvents();
    });
    std::printf("(3) open   box %8.1f ms   html %8.1f ms   ratio %.2f\n", boxMs, editMs, boxMs / editMs);

    const bool met = writeRtf <= 1.5 * writeHtml && readRtfMs <= 1.5 * readHtml && boxMs <= 1.5 * editMs;
    std::printf("goal: each at most 1.5x its baseline: %s\n", met ? "met" : "MISSED");

    QTextDocument check;
    readRtf(rtf, check);
    if (plainText(check) != plainText(doc)) {
        std::printf("the document read back differs\n");
        return 1;
    }
    return met ? 0 : 2;
}
