#pragma once
// Reading printed PDF files back with poppler's command-line tools (pdftotext, pdfinfo),
// so print tests check what ends up on paper rather than how it was painted.
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace dabrix::app::test {

// True when pdftotext and pdfinfo can be run.
bool PdfToolsAvailable();

// The page count pdfinfo reports; nothing when it fails.
std::optional<int> PdfPageCount(const QString& pdf);
// The page size in points (width, height) of the first page.
std::optional<std::pair<double, double>> PdfPageSize(const QString& pdf);

// `pdftotext -layout` of one page (1-based) or of all pages (page 0), as lines; the form
// feed at a page end and the blank lines after the last text line are dropped.
// pdftotext drops the blank columns all lines share; with `fixedPitch` (the width of a
// character in points) it counts columns from the page's left edge instead.
QStringList PdfLayoutLines(const QString& pdf, int page = 0, double fixedPitch = 0);

// A word as `pdftotext -bbox` places it, in points from the page's top-left corner.
struct PdfWord {
    int page = 0;  // 1-based
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    QString text;
};
std::vector<PdfWord> PdfWords(const QString& pdf);

// The pictures `pdfimages -list` finds (masks left out): their page and pixel size.
struct PdfImage {
    int page = 0;
    int width = 0;
    int height = 0;
};
std::vector<PdfImage> PdfImages(const QString& pdf);

// The first word of each text line, in reading order (a line is the words sharing yMin).
std::vector<PdfWord> FirstWordOfEachLine(const std::vector<PdfWord>& words);

} // namespace dabrix::app::test
