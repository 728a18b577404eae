#include "platform/ui/plain_print.h"

#include "platform/text/gbk.h"
#include "platform/text/message_titles.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/fixed_font.h"
#include "platform/ui/printing.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPrinter>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <cmath>

namespace platform {

namespace {

void tell(const PrintError& e) {
    dialogs().message(e.text(), MsgButtons::Ok, kCannotPrintTitle, MsgIcon::Warning);
}

// Two columns between the columns of a table.
constexpr int kColumnGap = 2;

// The lines with each Tab turned into the blanks up to the next column of
// the table: columns as wide as their widest cell, in display columns (the
// fixed-column font gives a Chinese character the width of two others).
QStringList alignedColumns(const QStringList& lines) {
    std::vector<QStringList> cells;
    cells.reserve(lines.size());
    std::vector<int> widths;
    for (const QString& line : lines) {
        cells.push_back(line.split(QLatin1Char('\t')));
        const QStringList& row = cells.back();
        if (widths.size() < std::size_t(row.size())) widths.resize(row.size(), 0);
        for (qsizetype i = 0; i + 1 < row.size(); ++i)   // the last cell needs no width
            widths[i] = std::max(widths[i], displayWidth(row[i]));
    }
    QStringList out;
    out.reserve(lines.size());
    for (const QStringList& row : cells) {
        QString line;
        for (qsizetype i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size())
                line += QString(widths[i] - displayWidth(row[i]) + kColumnGap, QLatin1Char(' '));
        }
        out << line;
    }
    return out;
}

qreal widestLine(const QStringList& lines, const QFont& font, QPrinter& printer) {
    const QFontMetricsF metrics(font, &printer);
    qreal widest = 0;
    for (const QString& line : lines)
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest;
}

} // namespace

bool printPlainText(const QStringList& items, const QString& jobName) {
    QString text;
    for (const QString& item : items)
        text += item + u'\n';
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.chop(1);   // the last line end closes the last line
    return printLines(text.split(u'\n'), jobName);
}

bool printLines(const QStringList& lines, const QString& jobName) {
    try {
        QPrinter printer(QPrinter::HighResolution);
        setUpDefaultPrinter(printer, jobName);
        QFont font = fixedColumnFont();
        // The page less the document's own margin on both sides, and a
        // little for rounding.
        const qreal margins = 2 * QTextDocument().documentMargin() + 2;
        const auto room = [&] { return printer.pageRect(QPrinter::DevicePixel).width() - margins; };
        qreal widest = widestLine(lines, font, printer);
        if (widest > room()) {
            printer.setPageOrientation(QPageLayout::Landscape);
            // Smaller by tenths of a point until the widest line fits.
            for (qreal size = std::floor(font.pointSizeF() * room() / widest * 10) / 10;
                 widest > room() && size >= 0.1; size -= 0.1) {
                font.setPointSizeF(size);
                widest = widestLine(lines, font, printer);
            }
        }
        QTextDocument doc;
        doc.setDefaultFont(font);
        QTextCursor cursor(&doc);
        QTextBlockFormat oneLine;
        oneLine.setNonBreakableLines(true);
        cursor.setBlockFormat(oneLine);
        cursor.insertText(lines.join(QLatin1Char('\n')));
        printDocument(doc, printer);
        return true;
    } catch (const PrintError& e) {
        tell(e);
        return false;
    }
}

bool printColumns(const QStringList& lines, const QString& jobName) {
    return printLines(alignedColumns(lines), jobName);
}

} // namespace platform
