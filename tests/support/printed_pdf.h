#pragma once
// A printed PDF read back through poppler's tools: the words where they were
// printed, the lines they make and the job's name, so that tests see what a
// page looks like rather than what was sent.

#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <vector>

struct PrintedWord {
    QString text;
    QRectF box;   // in points from the page's top left
};

struct PrintedPage {
    QSizeF size;   // in points
    std::vector<PrintedWord> words;
    // The printed lines, top to bottom: words of one baseline joined by one blank.
    QStringList lines() const;
    // The smallest rectangle holding every word.
    QRectF inked() const;
};

// The pages of the file; none when it cannot be read.
std::vector<PrintedPage> printedPages(const QString& pdfPath);
// Every page's lines, one page after the other.
QStringList printedLines(const std::vector<PrintedPage>& pages);
// The lines of a text as a page shows them: runs of blanks made one, blanks
// at either end and empty lines left out.
QStringList linesAsPrinted(const QString& text);
// The document's title, which a printed job gets from its name.
QString printedTitle(const QString& pdfPath);
// The text of every page as poppler lays it out, runs of blanks kept.
QString printedLayoutText(const QString& pdfPath);
