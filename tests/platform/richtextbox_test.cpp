#include "platform/ui/richtextbox.h"
#include "support/dialog_double.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFontInfo>
#include <QMimeData>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace platform;

namespace {

FontChoice font(const char* name, double size, bool bold = false, QColor color = Qt::black) {
    FontChoice f;
    f.name = QString::fromUtf8(name);
    f.size = size;
    f.bold = bold;
    f.color = color;
    return f;
}

int pdfPages(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    return int(QString::fromLatin1(f.readAll()).count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))));
}

} // namespace

TEST(RichTextBox, RunsGoInAtTheInsertionPointAndTheSelectionCountsALineBreakAsOne) {
    RichTextBox box;
    box.insertRun(QStringLiteral("2004级01班\r\n"), font("黑体", 20, true));
    box.insertRun(QStringLiteral("考号:"), font("宋体", 10.5));
    box.setSelection(0, 0);
    box.insertRun(QStringLiteral("准考证"), font("隶书", 12));   // at the front; the point follows it
    box.insertRun(QStringLiteral("\n"), font("隶书", 12));
    EXPECT_EQ(box.text(), QStringLiteral("准考证\n2004级01班\n考号:"));
    EXPECT_EQ(box.selStart(), 4);

    box.setSelection(9, 6);
    EXPECT_EQ(box.selText(), QStringLiteral("01班\n考号"));
    EXPECT_EQ(box.selLength(), 6);
    box.selectAll();
    EXPECT_EQ(box.selStart(), 0);
    EXPECT_EQ(box.selLength(), box.text().size());
    box.setSelection(100, 5);   // beyond the end: the end
    EXPECT_EQ(box.selStart(), box.text().size());
    EXPECT_EQ(box.selLength(), 0);

    box.clear();
    EXPECT_EQ(box.text(), QString());
    box.insertRun(QStringLiteral("x"), font("宋体", 9));
    EXPECT_EQ(box.text(), QStringLiteral("x"));
}

TEST(RichTextBox, SelectionFormattingReadsNoneWhereItIsMixedAndKeepsTheSystemsFontNames) {
    RichTextBox box;
    box.insertRun(QStringLiteral("ab"), font("宋体", 10.5, true, Qt::red));
    box.insertRun(QStringLiteral("cd"), font("宋体", 10.5, false, Qt::red));
    box.insertRun(QStringLiteral("\nef"), font("黑体", 10.5, false, Qt::blue));

    box.setSelection(0, 4);
    SelectionFont s = box.selectionFont();
    EXPECT_EQ(s.name, QStringLiteral("宋体"));   // not the family standing in for it
    EXPECT_EQ(s.size, 10.5);
    EXPECT_EQ(s.bold, std::nullopt);
    EXPECT_EQ(s.italic, false);
    EXPECT_EQ(s.color, QColor(Qt::red));

    box.setSelection(1, 5);   // b cd \n e
    s = box.selectionFont();
    EXPECT_EQ(s.name, std::nullopt);
    EXPECT_EQ(s.color, std::nullopt);
    EXPECT_EQ(s.size, 10.5);

    // Set on the selection: only the selected characters change.
    box.setSelection(1, 2);
    box.setSelFontName(QStringLiteral("隶书"));
    box.setSelFontSize(20);
    box.setSelItalic(true);
    box.setSelUnderline(true);
    box.setSelStrikeout(true);
    box.setSelColor(Qt::green);
    s = box.selectionFont();
    EXPECT_EQ(s.name, QStringLiteral("隶书"));
    EXPECT_EQ(s.size, 20);
    EXPECT_EQ(s.bold, std::nullopt);   // b is bold, c is not: untouched
    EXPECT_EQ(s.italic, true);
    EXPECT_EQ(s.underline, true);
    EXPECT_EQ(s.strikeout, true);
    EXPECT_EQ(s.color, QColor(Qt::green));
    box.setSelection(0, 1);
    EXPECT_EQ(box.selectionFont().name, QStringLiteral("宋体"));
    box.setSelection(3, 1);
    EXPECT_EQ(box.selectionFont().italic, false);

    // Nothing selected: the insertion point takes it, and so does the next text typed.
    box.setSelection(box.text().size(), 0);
    box.setSelBold(true);
    QTest::keyClicks(box.viewport(), QStringLiteral("z"));
    box.setSelection(box.text().size() - 1, 1);
    EXPECT_EQ(box.selText(), QStringLiteral("z"));
    EXPECT_EQ(box.selectionFont().bold, true);
    EXPECT_EQ(box.selectionFont().name, QStringLiteral("黑体"));
}

TEST(RichTextBox, ClipboardCarriesPlainTextOnlyAndPasteTakesTheCaretsFormat) {
    RichTextBox box;
    box.insertRun(QStringLiteral("红色粗体"), font("黑体", 20, true, Qt::red));
    box.insertRun(QStringLiteral("\n普通"), font("宋体", 9));

    box.setSelection(2, 4);
    box.copy();
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->formats(), QStringList{QStringLiteral("text/plain")});
    EXPECT_EQ(data->text(), QStringLiteral("粗体\n普"));
    EXPECT_TRUE(RichTextBox::clipboardHasText());

    // Paste at the caret inside the red run: the pasted text is red, bold, 黑体 20.
    box.setSelection(1, 0);
    box.paste();
    EXPECT_EQ(box.text(), QStringLiteral("红粗体\n普色粗体\n普通"));
    box.setSelection(1, 4);
    SelectionFont s = box.selectionFont();
    EXPECT_EQ(s.color, QColor(Qt::red));
    EXPECT_EQ(s.name, QStringLiteral("黑体"));
    EXPECT_EQ(s.size, 20);

    // Formatted text from elsewhere comes in as its text only.
    auto* html = new QMimeData;
    html->setHtml(QStringLiteral("<b style='color:blue'>外来</b>"));
    html->setText(QStringLiteral("外来"));
    QApplication::clipboard()->setMimeData(html);
    box.setSelection(box.text().size(), 0);
    box.paste();
    box.setSelection(box.text().size() - 2, 2);
    EXPECT_EQ(box.selText(), QStringLiteral("外来"));
    EXPECT_EQ(box.selectionFont().bold, false);
    EXPECT_EQ(box.selectionFont().name, QStringLiteral("宋体"));

    box.setSelection(0, 1);
    box.cut();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("红"));
    EXPECT_TRUE(box.text().startsWith(QStringLiteral("粗体")));

    QApplication::clipboard()->clear();
    EXPECT_FALSE(RichTextBox::clipboardHasText());
}

TEST(RichTextBox, ARightClickReachesTheWindowAndShowsNoMenuOfItsOwn) {
    RichTextBox box;
    box.resize(300, 200);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    std::vector<std::pair<Qt::MouseButton, QPoint>> ups;
    QObject::connect(&box, &RichTextBox::mouseUp,
                     [&](Qt::MouseButton b, Qt::KeyboardModifiers, const QPoint& p) { ups.emplace_back(b, p); });
    const QPoint at(40, 30);
    QTest::mouseClick(box.viewport(), Qt::RightButton, Qt::NoModifier, at);
    QTest::mouseClick(box.viewport(), Qt::LeftButton, Qt::NoModifier, at);
    ASSERT_EQ(ups.size(), 2u);
    EXPECT_EQ(ups[0].first, Qt::RightButton);
    EXPECT_EQ(ups[0].second, box.viewport()->mapTo(&box, at));
    EXPECT_EQ(ups[1].first, Qt::LeftButton);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST(RichTextBox, SavesAndOpensFilesAndAFailedOpenKeepsTheContent) {
    QTemporaryDir dir;
    RichTextBox box;
    box.insertRun(QStringLiteral("宋体红"), font("宋体", 12, false, Qt::red));
    box.insertRun(QStringLiteral("黑体粗"), font("黑体", 12, true));
    const QString path = dir.filePath(QStringLiteral("a.txt"));
    box.saveFile(path);

    RichTextBox other;
    other.insertRun(QStringLiteral("原有"), font("隶书", 20));
    EXPECT_THROW(other.loadFile(dir.filePath(QStringLiteral("无此文件.rtf"))), FileError);
    EXPECT_EQ(other.text(), QStringLiteral("原有"));
    other.loadFile(path);
    EXPECT_EQ(other.text(), QStringLiteral("宋体红黑体粗"));
    EXPECT_EQ(other.selStart(), 0);
    other.setSelection(3, 3);
    EXPECT_EQ(other.selectionFont().name, QStringLiteral("黑体"));
    EXPECT_EQ(other.selectionFont().bold, true);
    // The undo stack does not hold the file: Ctrl+Z cannot bring back the old text half-way.
    EXPECT_FALSE(other.document()->isUndoAvailable());
}

class RichTextPrinting : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        for (int i = 1; i <= 300; ++i)
            box.insertRun(QStringLiteral("第%1行 准考证 考号 2004010%2\n").arg(i).arg(i % 10), font("宋体", 10.5));
        pdf = dir.filePath(QStringLiteral("out.pdf"));
    }
    void selectLine(int line) {   // 1-based
        const QStringList lines = box.text().split(u'\n');
        int start = 0;
        for (int i = 0; i < line - 1; ++i) start += int(lines[i].size()) + 1;
        box.setSelection(start, int(lines[line - 1].size()));
    }
    QTemporaryDir dir;
    RichTextBox box;
    QString pdf;
};

TEST_F(RichTextPrinting, TheDialogOffersTheSelectionWhenThereIsOneAndPrintsWhatWasChosen) {
    DialogDouble d;
    d.printToPdf(pdf).acceptPrinter();
    EXPECT_TRUE(box.print(PrintPrompt::PrinterDialog));
    EXPECT_FALSE(d.shown().back().selectionOffered);
    const int all = pdfPages(pdf);
    EXPECT_GT(all, 2);

    selectLine(150);
    d.acceptPrinter(PrintRange::Selection);
    EXPECT_TRUE(box.print(PrintPrompt::PrinterDialog));
    EXPECT_TRUE(d.shown().back().selectionOffered);
    EXPECT_EQ(pdfPages(pdf), 1);

    d.acceptPrinter(PrintRange::All);   // the user switched to all
    EXPECT_TRUE(box.print(PrintPrompt::PrinterDialog));
    EXPECT_EQ(pdfPages(pdf), all);

    QFile::remove(pdf);
    d.cancelDialog();
    EXPECT_FALSE(box.print(PrintPrompt::PrinterDialog));
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(RichTextPrinting, TheDefaultPrinterPrintsTheSelectionOrAllWithoutADialog) {
    DialogDouble d;
    d.printToPdf(pdf);
    selectLine(7);
    EXPECT_TRUE(box.print(PrintPrompt::DefaultPrinter));
    EXPECT_EQ(pdfPages(pdf), 1);
    box.setSelection(0, 0);
    EXPECT_TRUE(box.print(PrintPrompt::DefaultPrinter));
    EXPECT_GT(pdfPages(pdf), 2);
    ASSERT_EQ(d.shown().size(), 2u);
    EXPECT_EQ(d.shown()[0].kind, QStringLiteral("default printer"));
}

TEST_F(RichTextPrinting, NoPrinterOrAPrinterThatCannotStartIsAnError) {
    DialogDouble d;
    d.noPrinterInstalled();
    EXPECT_THROW(box.print(PrintPrompt::DefaultPrinter), PrintError);
    DialogDouble unwritable;
    unwritable.printToPdf(dir.filePath(QStringLiteral("无此文件夹/out.pdf"))).acceptPrinter();
    EXPECT_THROW(box.print(PrintPrompt::PrinterDialog), PrintError);
}
