#include "platform/ui/printing.h"

#include "platform/ui/dialogs.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPrinter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <memory>

namespace platform {

void printDocument(const QTextDocument& source, QPrinter& printer) {
    // Laid out afresh for the page: the shown document keeps its own layout.
    std::unique_ptr<QTextDocument> doc(source.clone());
    QPainter painter;
    if (!painter.begin(&printer))
        throw PrintError(QStringLiteral("打印机不能开始打印,请检查打印机是否已经准备好."));
    doc->documentLayout()->setPaintDevice(&printer);
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    const QSizeF size(page.width(), page.height());
    doc->setPageSize(size);
    const int pages = doc->pageCount();
    for (int i = 0; i < pages; ++i) {
        if (i > 0 && !printer.newPage()) {
            painter.end();
            throw PrintError(QStringLiteral("打印机不能开始新的一页,打印没有完成."));
        }
        const QRectF clip(0, i * size.height(), size.width(), size.height());
        painter.save();
        painter.translate(0, -clip.top());
        painter.setClipRect(clip);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = clip;
        context.palette.setColor(QPalette::Text, Qt::black);
        doc->documentLayout()->draw(&painter, context);
        painter.restore();
    }
    if (!painter.end()) throw PrintError(QStringLiteral("打印没有完成,请检查打印机."));
}

bool printText(const QTextCursor& cursor, PrintPrompt prompt) {
    QPrinter printer(QPrinter::HighResolution);
    const bool hasSelection = cursor.hasSelection();
    bool selectionOnly = false;
    if (prompt == PrintPrompt::PrinterDialog) {
        const auto range = dialogs().choosePrinter(printer, hasSelection);
        if (!range) return false;
        selectionOnly = hasSelection && *range == PrintRange::Selection;
    } else {
        if (!dialogs().defaultPrinter(printer))
            throw PrintError(QStringLiteral("没有安装打印机,不能打印."));
        selectionOnly = hasSelection;
    }
    const QTextDocument& doc = *cursor.document();
    if (!selectionOnly) {
        printDocument(doc, printer);
        return true;
    }
    QTextDocument part;
    part.setDefaultFont(doc.defaultFont());
    part.setUseDesignMetrics(doc.useDesignMetrics());
    QTextCursor(&part).insertFragment(cursor.selection());
    printDocument(part, printer);
    return true;
}

} // namespace platform
