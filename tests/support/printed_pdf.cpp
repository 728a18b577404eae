#include "printed_pdf.h"

#include <QProcess>
#include <QRegularExpression>
#include <algorithm>
#include <map>

namespace {

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(120000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString unescaped(QString s) {
    s.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    s.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    s.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    s.replace(QStringLiteral("&apos;"), QStringLiteral("'"));
    s.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return s;
}

} // namespace

QStringList PrintedPage::lines() const {
    // A word belongs to the line whose baseline is within a quarter of its height.
    std::vector<const PrintedWord*> sorted;
    for (const PrintedWord& w : words) sorted.push_back(&w);
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const PrintedWord* a, const PrintedWord* b) { return a->box.bottom() < b->box.bottom(); });
    std::vector<std::vector<const PrintedWord*>> groups;
    for (const PrintedWord* w : sorted) {
        if (groups.empty() || w->box.bottom() - groups.back().front()->box.bottom() > w->box.height() / 4)
            groups.emplace_back();
        groups.back().push_back(w);
    }
    QStringList out;
    for (auto& g : groups) {
        std::stable_sort(g.begin(), g.end(),
                         [](const PrintedWord* a, const PrintedWord* b) { return a->box.left() < b->box.left(); });
        QStringList texts;
        for (const PrintedWord* w : g) texts << w->text;
        out << texts.join(QLatin1Char(' '));
    }
    return out;
}

QRectF PrintedPage::inked() const {
    QRectF r;
    for (const PrintedWord& w : words) r = r.isNull() ? w.box : r.united(w.box);
    return r;
}

std::vector<PrintedPage> printedPages(const QString& pdfPath) {
    const QString html = run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdfPath, QStringLiteral("-")});
    static const QRegularExpression page(QStringLiteral(R"re(<page width="([\d.]+)" height="([\d.]+)">)re"));
    static const QRegularExpression word(
        QStringLiteral(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    std::vector<PrintedPage> pages;
    for (const QString& line : html.split(QLatin1Char('\n'))) {
        if (const auto m = page.match(line); m.hasMatch()) {
            pages.push_back({QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()), {}});
        } else if (const auto w = word.match(line); w.hasMatch() && !pages.empty()) {
            const QPointF topLeft(w.captured(1).toDouble(), w.captured(2).toDouble());
            const QPointF bottomRight(w.captured(3).toDouble(), w.captured(4).toDouble());
            pages.back().words.push_back({unescaped(w.captured(5)), QRectF(topLeft, bottomRight)});
        }
    }
    return pages;
}

QStringList printedLines(const std::vector<PrintedPage>& pages) {
    QStringList out;
    for (const PrintedPage& page : pages)
        out << page.lines();
    return out;
}

QStringList linesAsPrinted(const QString& text) {
    QStringList out;
    for (const QString& line : text.split(QRegularExpression(QStringLiteral("\r\n|\n"))))
        if (const QString words = line.simplified(); !words.isEmpty())
            out << words;
    return out;
}

QString printedTitle(const QString& pdfPath) {
    const QString info =
        run(QStringLiteral("pdfinfo"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdfPath});
    static const QRegularExpression title(QStringLiteral(R"re(^Title:[ \t]*(.*)$)re"), QRegularExpression::MultilineOption);
    return title.match(info).captured(1).trimmed();
}

QString printedLayoutText(const QString& pdfPath) {
    return run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdfPath, QStringLiteral("-")});
}
