// Measures printing to a PDF file against Qt's own printing of the same text
// in the same run (QTextDocument::print, which pages by itself):
//   (1) the admission cards of 10,080 students, five lines each in two fonts
//       and a blank line, every card kept on one page   vs  QTextDocument::print
//       of the same document
//   (2) the records program's list of 10,080 students, sixteen Tab-separated
//       fields, laid out in columns on landscape pages   vs  QTextDocument::print
//       of the same text
// Goal: each at most 1.5x its baseline.

#include "support/quiet_dialogs.h"

#include "platform/ui/dialogs.h"
#include "platform/ui/plain_print.h"
#include "platform/ui/printing.h"
#include "platform/ui/richtextbox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTextDocument>
#include <cstdio>
#include <functional>

namespace {

constexpr int kStudents = 10080;

// Every job to one PDF file.
struct PdfDialogs : bench::QuietDialogs {
    QString path;
    bool defaultPrinter(QPrinter& printer) override {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        return true;
    }
};

platform::FontChoice font(const char* name, double size) {
    platform::FontChoice f;
    f.name = QString::fromUtf8(name);
    f.size = size;
    return f;
}

QString name(int i) {
    static const QString family = QStringLiteral("张王李赵刘陈杨黄");
    static const QString given = QStringLiteral("伟芳娜敏静丽强磊军洋勇艳杰娟涛明超秀霞平");
    return QString(family[i % family.size()]) + given[(i / 8) % given.size()] +
           (i % 3 ? QString(given[(i / 160) % given.size()]) : QString());
}

void buildCards(platform::RichTextBox& box) {
    const platform::FontChoice title = font("宋体", 10.5), number = font("黑体", 12);
    for (int i = 0; i < kStudents; ++i) {
        const int start = box.textCursor().position();
        box.insertRun(QStringLiteral("测试中学2005年第一学期期末考试\n      准考证\n考号:"), title);
        box.insertRun(QStringLiteral("2004%1 ").arg(i, 6, 10, QLatin1Char('0')), number);
        box.insertRun(QStringLiteral("姓名:"), title);
        box.insertRun(name(i) + QStringLiteral("\n"), number);
        box.insertRun(QStringLiteral("考室: %1 座位号: %2\n班级:  2004级 %3班\n")
                          .arg(i / 30 + 1)
                          .arg(i % 30 + 1)
                          .arg(i / 56 % 60 + 1),
                      title);
        box.keepTogether(start, box.textCursor().position() - start);
        box.insertRun(QStringLiteral("\n"), title);
    }
}

QStringList studentList() {
    QStringList lines{QStringLiteral("\tSTID\t年级\t班\t姓名\t性别\t职务\t籍贯\t出生年月\t联系地址\t所在区域\t"
                                     "联系电话\t家长姓名\t家长职务\t民族\t政治面貌\t备注")};
    for (int i = 0; i < kStudents; ++i)
        lines << QStringLiteral("2004%1\t2004\t%2\t%3\t男\t--\t湖南长沙\t1990-1-%4\t岳麓区麓山南路%5号\t001\t"
                                "0731-8888%6\t%7\t--\t汉\t团员\t--")
                     .arg(i, 4, 10, QLatin1Char('0'))
                     .arg(i / 56 % 60 + 1, 2, 10, QLatin1Char('0'))
                     .arg(name(i))
                     .arg(i % 28 + 1)
                     .arg(i % 900 + 1)
                     .arg(i % 10000, 4, 10, QLatin1Char('0'))
                     .arg(name(i + 7));
    return lines;
}

double timed(const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

void qtPrint(const QTextDocument& doc, const QString& path) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    doc.print(&printer);
}

void report(const char* what, double ours, double raw, const QString& path) {
    std::printf("%-34s %10.1f %10.1f %8.2f   %lld KB\n", what, ours, raw, ours / raw,
                QFileInfo(path).size() / 1024);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    PdfDialogs dialogs;
    platform::setDialogService(&dialogs);
    std::printf("%-34s %10s %10s %8s\n", "10,080 students, to PDF", "ours ms", "Qt ms", "ratio");

    platform::RichTextBox box;
    buildCards(box);
    dialogs.path = dir.filePath(QStringLiteral("cards.pdf"));
    const double cards = timed([&] { box.print(platform::PrintPrompt::DefaultPrinter); });
    const QString cardsPdf = dialogs.path;
    const double cardsRaw = timed([&] { qtPrint(*box.document(), dir.filePath(QStringLiteral("cards-qt.pdf"))); });
    report("cards, each on one page", cards, cardsRaw, cardsPdf);

    const QStringList list = studentList();
    dialogs.path = dir.filePath(QStringLiteral("list.pdf"));
    const double columns = timed([&] { platform::printColumns(list, QStringLiteral("打印预览")); });
    QTextDocument plain;
    plain.setPlainText(list.join(QLatin1Char('\n')));
    const double columnsRaw = timed([&] { qtPrint(plain, dir.filePath(QStringLiteral("list-qt.pdf"))); });
    report("records list in columns", columns, columnsRaw, dialogs.path);

    const bool met = cards <= 1.5 * cardsRaw && columns <= 1.5 * columnsRaw;
    std::printf("goal: at most 1.5x Qt's own printing: %s\n", met ? "met" : "NOT met");
    platform::setDialogService(nullptr);
    return met ? 0 : 1;
}
