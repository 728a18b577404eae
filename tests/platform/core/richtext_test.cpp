#include "platform/richtext/rtf.h"
#include "platform/text/gbk.h"
#include "support/failing_file.h"
#include "support/test_files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <gtest/gtest.h>

using namespace platform;
using namespace platform::richtext;

namespace platform::richtext {
void PrintTo(const RunStyle& s, std::ostream* os) {
    *os << s.font.toStdString() << " " << s.size << (s.bold ? " b" : "") << (s.italic ? " i" : "")
        << (s.underline ? " u" : "") << (s.strikeout ? " s" : "") << " " << s.color.name().toStdString();
}
} // namespace platform::richtext

namespace {

struct TextRun {
    QString text;
    RunStyle style;
};

RunStyle style(const char* font, double size, bool b = false, bool i = false, bool u = false, bool s = false,
               QColor color = Qt::black) {
    return RunStyle{QString::fromUtf8(font), size, b, i, u, s, color};
}

void fill(QTextDocument& doc, const std::vector<TextRun>& runs) {
    doc.setDefaultFont(QFont(QStringLiteral("宋体"), 9));
    QTextCursor c(&doc);
    for (const TextRun& r : runs) c.insertText(r.text, charFormatOf(r.style));
}

// The runs of a document, adjacent runs of one style joined; "\n" stands alone
// for a line break.
std::vector<TextRun> runsOf(const QTextDocument& doc) {
    std::vector<TextRun> out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        if (b != doc.begin()) out.push_back({QStringLiteral("\n"), {}});
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const RunStyle s = runStyleOf(it.fragment().charFormat(), doc);
            if (!out.empty() && out.back().text != u"\n" && out.back().style == s)
                out.back().text += it.fragment().text();
            else
                out.push_back({it.fragment().text(), s});
        }
    }
    return out;
}

std::string describe(const std::vector<TextRun>& runs) {
    std::string out;
    for (const TextRun& r : runs) {
        out += "[" + r.text.toStdString();
        if (r.text != u"\n")
            out += " | " + r.style.font.toStdString() + " " + std::to_string(r.style.size) + (r.style.bold ? " b" : "") +
                   (r.style.italic ? " i" : "") + (r.style.underline ? " u" : "") + (r.style.strikeout ? " s" : "") +
                   " " + r.style.color.name().toStdString();
        out += "] ";
    }
    return out;
}

} // namespace

TEST(RichTextFile, RunsAndTextSurviveSavingAndReadingBack) {
    const QColor red(255, 0, 0), blue(0, 0, 255), olive(128, 128, 0);
    const struct {
        const char* name;
        std::vector<TextRun> runs;
    } cases[] = {
        {"plain", {{QStringLiteral("准考证 No.1"), style("宋体", 9)}}},
        {"bold alone", {{QStringLiteral("a"), style("宋体", 9)}, {QStringLiteral("粗"), style("宋体", 9, true)}}},
        {"italic alone", {{QStringLiteral("斜"), style("宋体", 9, false, true)}, {QStringLiteral("b"), style("宋体", 9)}}},
        {"underline alone", {{QStringLiteral("下划线"), style("宋体", 9, false, false, true)}}},
        {"strikeout alone", {{QStringLiteral("删除"), style("宋体", 9, false, false, false, true)}}},
        {"all together", {{QStringLiteral("全部"), style("黑体", 20, true, true, true, true, red)}}},
        {"three fonts and sizes",
         {{QStringLiteral("宋体九"), style("宋体", 9)},
          {QStringLiteral("黑体十点五"), style("黑体", 10.5)},
          {QStringLiteral("隶书二十"), style("隶书", 20)}}},
        {"three colours",
         {{QStringLiteral("红"), style("宋体", 9, false, false, false, false, red)},
          {QStringLiteral("蓝"), style("宋体", 9, false, false, false, false, blue)},
          {QStringLiteral("橄榄"), style("宋体", 9, false, false, false, false, olive)}}},
        {"escapes and tab", {{QStringLiteral("C:\\考号{01}\t姓名 \\par {"), style("宋体", 10.5)}}},
        {"outside GBK", {{QStringLiteral("한ᄀ😀x"), style("宋体", 9)}}},
        {"Chinese in a Latin font", {{QStringLiteral("Arial 中文 é"), style("Arial", 12)}}},
        {"empty lines",
         {{QStringLiteral("\n\n第三行\n"), style("宋体", 9)},
          {QStringLiteral("\n"), style("黑体", 20, true)},
          {QStringLiteral("末"), style("隶书", 10.5)}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTextDocument doc;
        fill(doc, c.runs);
        QTextDocument back;
        readRtf(toRtf(doc), back);
        EXPECT_EQ(plainText(back), plainText(doc));
        const auto want = runsOf(doc), got = runsOf(back);
        EXPECT_TRUE(got.size() == want.size() &&
                    std::equal(got.begin(), got.end(), want.begin(),
                               [](const TextRun& a, const TextRun& b) { return a.text == b.text && a.style == b.style; }))
            << "want " << describe(want) << "\n got " << describe(got);
    }
}

TEST(RichTextFile, WritesGbkTextWithTheOldFontNames) {
    QTextDocument doc;
    fill(doc, {{QStringLiteral("中"), style("宋体", 10.5)},
               {QStringLiteral("😀"), style("宋体", 10.5, true)},
               {QStringLiteral("文"), style("Arial", 10.5)}});
    const QByteArray rtf = toRtf(doc);
    EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl"));
    EXPECT_TRUE(rtf.contains("{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}")) << rtf.constData();
    EXPECT_TRUE(rtf.contains("\\fcharset0 Arial;")) << rtf.constData();
    EXPECT_TRUE(rtf.contains("\\fs21")) << rtf.constData();
    EXPECT_TRUE(rtf.contains(" \\'d6\\'d0")) << rtf.constData();
    // Beyond the BMP: a surrogate pair of signed 16-bit numbers.
    EXPECT_TRUE(rtf.contains("\\b \\u-10179?\\u-8704?")) << rtf.constData();
    // A Latin font's Chinese text goes as \uN, which every reader decodes alike.
    EXPECT_TRUE(rtf.contains("\\u25991?")) << rtf.constData();
    EXPECT_TRUE(rtf.trimmed().endsWith('}'));
}

TEST(RichTextFile, ReadsWhatAWindowsWordProcessorWrites) {
    const QByteArray rtf =
        "{\\rtf1\\ansi\\ansicpg936\\deff0\\deflang1033\\deflangfe2052"
        "{\\fonttbl{\\f0\\fnil\\fprq2\\fcharset134 \\'cb\\'ce\\'cc\\'e5{\\*\\panose 02010600030101010101}"
        "{\\*\\falt SimSun};}{\\f1\\fswiss\\fcharset0 Arial;}{\\f2\\fnil\\fcharset134 \\'ba\\'da\\'cc\\'e5;}}\r\n"
        "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\r\n"
        "{\\stylesheet{\\s0 Normal;}{\\s1\\b heading 1;}}\r\n"
        "{\\*\\generator Riched20 10.0.19041;}{\\info{\\title \\'b2\\'e2}{\\author x}}\\viewkind4\\uc1"
        "\\pard\\plain\\lang2052\\f0\\fs21 \\'d6\\'d0\\'ce\\'c4 \\b bold\\b0  \\cf1 red\\cf0\\par\r\n"
        "\\pard\\plain\\f1\\fs24\\uc1\\u20013?\\u25991? text \\i italic\\i0\\par\r\n"
        "{\\pict\\wmetafile8\\picw100 0123456789abcdef}\\f2\\fs40\\ul \\'ba\\'da\\ulnone\\strike x\\strike0"
        "\\'81@\\par\r\n"
        "{\\header header text}\\plain\\f0 end\\tab x\\uc2\\u22909\\'ba\\'c3!\\par\r\n}";
    QTextDocument doc;
    readRtf(rtf, doc);
    EXPECT_EQ(plainText(doc),
              QStringLiteral("中文 bold red\n中文 text italic\n黑x丂\nend\tx好!\n"));
    const auto runs = runsOf(doc);
    ASSERT_EQ(runs.size(), 14u) << describe(runs);
    EXPECT_EQ(runs[0].text, QStringLiteral("中文 "));
    EXPECT_EQ(runs[0].style, style("宋体", 10.5));
    EXPECT_EQ(runs[1].text, QStringLiteral("bold"));
    EXPECT_TRUE(runs[1].style.bold);
    EXPECT_EQ(runs[3].text, QStringLiteral("red"));
    EXPECT_EQ(runs[3].style.color, QColor(255, 0, 0));
    EXPECT_EQ(runs[5].text, QStringLiteral("中文 text "));
    EXPECT_EQ(runs[5].style, style("Arial", 12));
    EXPECT_EQ(runs[6].text, QStringLiteral("italic"));
    EXPECT_TRUE(runs[6].style.italic);
    EXPECT_EQ(runs[8].text, QStringLiteral("黑"));
    EXPECT_EQ(runs[8].style, style("黑体", 20, false, false, true));
    EXPECT_EQ(runs[9].text, QStringLiteral("x"));
    EXPECT_TRUE(runs[9].style.strikeout);
    EXPECT_EQ(runs[10].text, QStringLiteral("丂"));   // a trail byte written as a plain character
    EXPECT_EQ(runs[12].text, QStringLiteral("end\tx好!"));
    EXPECT_EQ(runs[12].style, style("宋体", 12));   // \plain: 12 pt in the default font
}

// Another word processor marks Chinese runs double-byte and gives their size
// and bold there, and names a Chinese font in a Japanese character set.
TEST(RichTextFile, ReadsDoubleByteRunPropertiesAndForeignCharsetFontNames) {
    const QByteArray rtf =
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\froman\\fcharset0 Times New Roman;}"
        "{\\f5\\fnil\\fcharset128 \\'91\\'76\\'91\\'cc;}{\\f6\\fnil\\fcharset136 \\'b2\\'d3\\'a9\\'fa\\'c5\\'e9;}}\r\n"
        "\\pard\\plain\\rtlch\\af0\\afs24\\ltrch\\dbch\\af11 "
        "{\\hich\\af5\\loch\\f5\\fs20 2000}{\\hich\\af5\\loch\\f5\\dbch\\afs40\\ab\\dbch\\uc2 \\u24180\\'94\\'4e}"
        "{\\f6\\fs20 \\'a4\\'a4}}";
    QTextDocument doc;
    readRtf(rtf, doc);
    const auto runs = runsOf(doc);
    ASSERT_EQ(runs.size(), 3u) << describe(runs);
    EXPECT_EQ(runs[0].text, QStringLiteral("2000"));
    EXPECT_EQ(runs[0].style, style("宋体", 10));
    EXPECT_EQ(runs[1].text, QStringLiteral("年"));
    EXPECT_EQ(runs[1].style, style("宋体", 20, true));
    EXPECT_EQ(runs[2].text, QStringLiteral("中"));   // Big5 text in a Big5 font
    EXPECT_EQ(runs[2].style.font, QStringLiteral("細明體"));
}

TEST(RichTextFile, DamagedOrTruncatedRtfStillOpensWithWhatItHolds) {
    for (const char* rtf : {"{\\rtf1\\ansi\\ansicpg936 \\'d6\\'d0\\'", "{\\rtf1 {{{ abc", "{\\rtf1 x}}}}} y",
                            "{\\rtf1\\ansicpg936 \\'d6\\'zz\\'ff\\bin99999 }"}) {
        SCOPED_TRACE(rtf);
        QTextDocument doc;
        readRtf(QByteArray(rtf), doc);   // no crash, no hang
        EXPECT_LE(plainText(doc).size(), 10);
    }
}

TEST(RichTextFile, AFileThatIsNotRtfOpensAsText) {
    const QByteArray gbk = toGbk(QStringLiteral("考号\t姓名\r\n001\t张三"));
    const QByteArray utf8 = QStringLiteral("考号\t姓名\n001\t张三").toUtf8();
    const QString want = QStringLiteral("考号\t姓名\n001\t张三");
    QTextCharFormat plain = charFormatOf(style("宋体", 9));
    for (const QByteArray& bytes : {gbk, utf8, QByteArray("\xEF\xBB\xBF") + utf8}) {
        QTextDocument doc;
        setDocumentContent(doc, bytes, plain);
        EXPECT_EQ(plainText(doc), want);
        EXPECT_EQ(runsOf(doc).front().style, style("宋体", 9));
    }
}

TEST(RichTextFile, AFailedLoadLeavesTheDocumentAsItWas) {
    QTemporaryDir dir;
    const QString bad = dir.filePath(QStringLiteral("bad.txt"));
    testsupport::writeFileBytes(bad, QByteArray("\xFF\xFE\xFF"));   // neither UTF-8 nor GBK
    FailingDevice failing(QByteArray("{\\rtf1 ") + QByteArray(200000, 'x') + "}");
    failing.readFailsAfter(70000);

    QTextDocument doc;
    fill(doc, {{QStringLiteral("原有内容"), style("黑体", 12, true)}});
    EXPECT_THROW(loadDocument(doc, dir.filePath(QStringLiteral("无此文件.rtf"))), FileError);
    EXPECT_THROW(loadDocument(doc, bad), GbkError);
    EXPECT_THROW(loadDocument(doc, failing), FileError);
    EXPECT_EQ(plainText(doc), QStringLiteral("原有内容"));
    EXPECT_TRUE(runsOf(doc).front().style.bold);
}

TEST(RichTextFile, OpensWhateverTheExtension) {
    QTemporaryDir dir;
    QTextDocument doc;
    fill(doc, {{QStringLiteral("模板"), style("黑体", 12, true)}});
    const QString asTxt = dir.filePath(QStringLiteral("模板.txt"));
    saveDocument(doc, asTxt);
    EXPECT_TRUE(testsupport::readFileBytes(asTxt).startsWith("{\\rtf1"));
    QTextDocument back;
    loadDocument(back, asTxt);
    EXPECT_EQ(runsOf(back).front().style, style("黑体", 12, true));
}

TEST(RichTextFile, SavesPlainTextAsGbkLines) {
    QTemporaryDir dir;
    QTextDocument doc;
    fill(doc, {{QStringLiteral("第一行\n"), style("宋体", 9)}, {QStringLiteral("二"), style("黑体", 20, true)}});
    const QString path = dir.filePath(QStringLiteral("a.txt"));
    saveDocument(doc, path, FileFormat::PlainText);
    EXPECT_EQ(testsupport::readFileBytes(path), toGbk(QStringLiteral("第一行\r\n二")));

    // A character GBK cannot hold is refused before the file is touched.
    QTextDocument other;
    fill(other, {{QStringLiteral("ok\n😀"), style("宋体", 9)}});
    try {
        saveDocument(other, path, FileFormat::PlainText);
        ADD_FAILURE() << "saved";
    } catch (const GbkError& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("第2行"))) << e.what();
    }
    EXPECT_EQ(testsupport::readFileBytes(path), toGbk(QStringLiteral("第一行\r\n二")));
}

TEST(RichTextFile, AFailedSaveSaysSoAndLeavesTheOldFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("考号.rtf"));
    testsupport::writeFileBytes(path, "old content");
    QTextDocument doc;
    fill(doc, {{QString(5000, u'考'), style("宋体", 9)}});

    for (const FileFormat format : {FileFormat::RichText, FileFormat::PlainText}) {
        const FileSizeLimit full(100);
        try {
            saveDocument(doc, path, format);
            ADD_FAILURE() << "saved";
        } catch (const FileError& e) {
            EXPECT_EQ(e.text(), QStringLiteral("不能保存文件 考号.rtf: 文件太大")) << e.what();
        }
    }
    // A folder of that name: refused before anything is written.
    try {
        saveDocument(doc, dir.path());
        ADD_FAILURE() << "saved";
    } catch (const FileError& e) {
        EXPECT_TRUE(e.text().endsWith(QStringLiteral(": 这是一个文件夹,不是文件"))) << e.what();
    }
    EXPECT_THROW(saveDocument(doc, dir.filePath(QStringLiteral("无此文件夹/考号.rtf"))), FileError);

    EXPECT_EQ(testsupport::readFileBytes(path), QByteArray("old content"));
    // No half-written file left beside it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("考号.rtf")});
}
