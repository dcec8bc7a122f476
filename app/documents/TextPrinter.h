#pragma once
// Prints a plain-text document the way a line printer would: each line starts at the
// left edge of the printable area with an indent of `leftSpace` blanks, one text line per
// line, a new page when the next line no longer fits, tabs to the next multiple of eight
// character widths; long lines are cut at the right edge, never wrapped; no headers,
// footers or page numbers.
//
// Threads: user-interface thread (fonts and painters).
#include <QFont>
#include <QString>
#include <QStringView>

#include <vector>

class QFontMetricsF;
class QPrinter;

namespace dabrix::app {

struct PageLines {
    int first = 0;  // index of the page's first line
    int count = 0;  // lines on the page
    bool operator==(const PageLines&) const = default;
};

// How many lines of the given height fit on a page; at least one, so that a line too
// tall for the page still gets printed (cut) instead of stopping the job.
int LinesPerPage(qreal pageHeight, qreal lineHeight);

// Splits `lineCount` lines into pages of at most `linesPerPage` (taken as 1 when smaller).
// No lines, no pages.
std::vector<PageLines> PaginateLines(int lineCount, int linesPerPage);

// The x where a tab at `x` continues: the next multiple of `tabWidth` beyond x.
qreal NextTabStop(qreal x, qreal tabWidth);

// The width of one character for tab stops: the advance of any character in a
// fixed-pitch font (some give a different "average" in their tables), else the font's
// average character width.
qreal CharacterWidth(const QFontMetricsF& metrics);

// How many characters of `text` start left of `available` (the last of them may reach
// beyond it and is clipped); a surrogate pair is never split.
qsizetype VisibleLength(const QString& text, qreal available, const QFontMetricsF& metrics);

// The editor's font: "Courier New" at 13 pixels, else the system's fixed-pitch font at
// that size.
QFont EditorFont();

// The editor's font for the printer: a size in screen pixels (1/96 inch) becomes the same
// size in points, otherwise a 13-pixel font would print a fraction of a millimetre high
// on a 1200 dpi page. Ligatures and kerning are off.
QFont PrintFont(const QFont& editorFont);

// Prints `text` (editor text: lines separated by '\n') on `printer`, which is already set
// up (a real printer or a PDF file). False when the printer cannot be opened or a page
// cannot be started; the job is closed in every case.
bool PrintText(QPrinter& printer, const QString& text, const QFont& font, int leftSpace);

} // namespace dabrix::app
