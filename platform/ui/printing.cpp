#include "platform/ui/printing.h"

#include "platform/ui/dialogs.h"
#include "platform/ui/system_print_queue.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPrinter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextLayout>
#include <algorithm>
#include <memory>
#include <vector>

namespace platform {

namespace {

const QString kNotFinished = QStringLiteral("打印没有完成,请检查打印机.");

PrintQueue* installedQueue = nullptr;

// A window without a caption yet still sends a named job.
QString nameOfJob(const QString& jobName) { return jobName.isEmpty() ? programTitle() : jobName; }

struct Slice {
    qreal top = 0, bottom = 0;
};

// True when a line's text puts anything on paper: a character other than a
// blank (an image stands in the text as a character of its own).
bool hasInk(QStringView text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) { return !c.isSpace(); });
}

// The pages of a document laid out in one column: each page ends at the top
// of a line that no other line straddles, and not inside a unit of blocks
// kept together, unless that unit is taller than a page.
std::vector<Slice> pageSlices(const QTextDocument& doc, qreal pageHeight) {
    struct Line {
        qreal top, bottom;
        bool mayBreakBefore;
        bool inked;
    };
    std::vector<Line> lines;
    QAbstractTextDocumentLayout* layout = doc.documentLayout();
    QVariant unit;
    std::size_t unitStart = 0;
    const auto closeUnit = [&] {
        if (!unit.isValid() || unitStart >= lines.size())
            return;
        if (lines.back().bottom - lines[unitStart].top > pageHeight)
            return;   // cannot be kept: it breaks where it must
        for (std::size_t i = unitStart + 1; i < lines.size(); ++i)
            lines[i].mayBreakBefore = false;
    };
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const QVariant id = b.blockFormat().property(kKeepTogetherProperty);
        if (!id.isValid() || id != unit) {
            closeUnit();
            unit = id;
            unitStart = lines.size();
        }
        const qreal top = layout->blockBoundingRect(b).top();
        const QTextLayout* tl = b.layout();
        // A table's cells have borders even when empty.
        const bool framed = doc.rootFrame() != QTextCursor(b).currentFrame();
        const QString text = b.text();
        for (int i = 0; i < tl->lineCount(); ++i) {
            const QTextLine l = tl->lineAt(i);
            lines.push_back({top + l.y(), top + l.y() + l.height(), true,
                             framed || hasInk(QStringView(text).mid(l.textStart(), l.textLength()))});
        }
    }
    closeUnit();
    std::stable_sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) { return a.top < b.top; });
    // A line that another one still covers (beside it in a table) is no place to break.
    qreal reached = 0;
    for (Line& l : lines) {
        if (l.top < reached)
            l.mayBreakBefore = false;
        reached = std::max(reached, l.bottom);
    }

    const qreal height = std::max(layout->documentSize().height(), reached);
    std::vector<Slice> pages;
    qreal top = 0;
    std::size_t next = 0;
    while (pageHeight > 0 && height - top > pageHeight) {
        const qreal limit = top + pageHeight;
        qreal cut = -1, anyLine = -1;
        std::size_t cutAt = next, anyAt = next;
        for (std::size_t i = next; i < lines.size() && lines[i].top <= limit; ++i) {
            if (lines[i].top <= top)
                continue;
            anyLine = lines[i].top;
            anyAt = i;
            if (lines[i].mayBreakBefore) {
                cut = lines[i].top;
                cutAt = i;
            }
        }
        if (cut < 0) {
            // Nothing kept together fits: break between lines, or inside a
            // line taller than the page.
            cut = anyLine >= 0 ? anyLine : limit;
            cutAt = anyLine >= 0 ? anyAt : next;
        }
        pages.push_back({top, cut});
        top = cut;
        next = cutAt;
    }
    pages.push_back({top, height});
    // Blank lines at the end (a card job's spacing after its last card) make
    // no page of their own.
    qreal lastInk = -1;
    for (const Line& l : lines)
        if (l.inked)
            lastInk = std::max(lastInk, l.top);
    while (pages.size() > 1 && pages.back().top > lastInk + 0.5)
        pages.pop_back();
    return pages;
}

} // namespace

PrintQueue& printQueue() { return installedQueue ? *installedQueue : systemPrintQueue(); }

void setPrintQueue(PrintQueue* queue) { installedQueue = queue; }

void printDocument(const QTextDocument& source, QPrinter& printer) {
    if (!printQueue().acceptsJobs(printer))
        throw PrintError(kNotFinished);
    // Laid out afresh for the page: the shown document keeps its own layout.
    std::unique_ptr<QTextDocument> doc(source.clone());
    QPainter painter;
    if (!painter.begin(&printer))
        throw PrintError(QStringLiteral("打印机不能开始打印,请检查打印机是否已经准备好."));
    doc->documentLayout()->setPaintDevice(&printer);
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    // One column as wide as the page, cut into pages here: the breaks fall
    // between lines and before a unit kept together.
    doc->setTextWidth(page.width());
    const std::vector<Slice> pages = pageSlices(*doc, page.height());
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (i > 0 && !printer.newPage()) {
            painter.end();
            throw PrintError(QStringLiteral("打印机不能开始新的一页,打印没有完成."));
        }
        const QRectF clip(0, pages[i].top, page.width(), pages[i].bottom - pages[i].top);
        painter.save();
        painter.translate(0, -clip.top());
        painter.setClipRect(clip);
        QAbstractTextDocumentLayout::PaintContext context;
        // The layout draws whatever touches its clip: the lines just outside
        // would go onto this page's text as well, clipped out of sight.
        context.clip = clip.adjusted(0, 0.5, 0, -0.5);
        context.palette.setColor(QPalette::Text, Qt::black);
        doc->documentLayout()->draw(&painter, context);
        painter.restore();
    }
    if (!painter.end() || !printQueue().tookLastJob(printer))
        throw PrintError(kNotFinished);
}

void setUpDefaultPrinter(QPrinter& printer, const QString& jobName) {
    printer.setDocName(nameOfJob(jobName));
    if (!dialogs().defaultPrinter(printer))
        throw PrintError(QStringLiteral("没有安装打印机,不能打印."));
}

bool printText(const QTextCursor& cursor, PrintPrompt prompt, const QString& jobName) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(nameOfJob(jobName));
    const bool hasSelection = cursor.hasSelection();
    bool selectionOnly = false;
    if (prompt == PrintPrompt::PrinterDialog) {
        const auto range = dialogs().choosePrinter(printer, hasSelection);
        if (!range) return false;
        selectionOnly = hasSelection && *range == PrintRange::Selection;
    } else {
        setUpDefaultPrinter(printer, jobName);
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
