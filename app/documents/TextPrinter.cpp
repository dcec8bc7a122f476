#include "app/documents/TextPrinter.h"

#include "app/documents/DocumentFile.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <cmath>

namespace dabrix::app {
namespace {

constexpr int kTabColumns = 8;
constexpr int kEditorFontPixels = 13;
// Qt's pixel sizes are device-independent pixels: 96 of them make an inch.
constexpr qreal kPixelsPerInch = 96.0;
constexpr qreal kPointsPerInch = 72.0;

qreal Advance(const QFontMetricsF& metrics, const QString& text, qsizetype length)
{
    return metrics.horizontalAdvance(text, static_cast<int>(length));
}

// Paints one line with its baseline at `baseline`, cut where it leaves the page.
void DrawLine(QPainter& painter, const QFontMetricsF& metrics, const QString& line, qreal baseline,
              qreal pageWidth, qreal tabWidth)
{
    qreal x = 0;
    const QStringList parts = line.split(QLatin1Char('\t'));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0)
            x = NextTabStop(x, tabWidth);
        if (x >= pageWidth)
            return;
        const QString& part = parts[i];
        if (part.isEmpty())
            continue;
        const qsizetype visible = VisibleLength(part, pageWidth - x, metrics);
        painter.drawText(QPointF(x, baseline), part.left(visible));
        if (visible < part.size())
            return;
        x += Advance(metrics, part, part.size());
    }
}

} // namespace

int LinesPerPage(qreal pageHeight, qreal lineHeight)
{
    if (lineHeight <= 0)
        return 1;
    // The small allowance keeps a page that fits exactly n lines from losing one to rounding.
    return std::max(1, static_cast<int>(std::floor(pageHeight / lineHeight + 1e-9)));
}

std::vector<PageLines> PaginateLines(int lineCount, int linesPerPage)
{
    linesPerPage = std::max(1, linesPerPage);
    std::vector<PageLines> pages;
    for (int first = 0; first < lineCount; first += linesPerPage)
        pages.push_back({first, std::min(linesPerPage, lineCount - first)});
    return pages;
}

qreal NextTabStop(qreal x, qreal tabWidth)
{
    if (tabWidth <= 0)
        return x;
    // A tab standing exactly on a stop (up to rounding of the summed advances) goes on to
    // the next one.
    return (std::floor(x / tabWidth + 1e-6) + 1) * tabWidth;
}

qreal CharacterWidth(const QFontMetricsF& metrics)
{
    const qreal narrow = metrics.horizontalAdvance(QLatin1Char('i'));
    const qreal wide = metrics.horizontalAdvance(QLatin1Char('W'));
    if (narrow == wide && narrow > 0)
        return narrow;
    return metrics.averageCharWidth();
}

qsizetype VisibleLength(const QString& text, qreal available, const QFontMetricsF& metrics)
{
    if (available <= 0 || text.isEmpty())
        return 0;
    // Character k starts at the width of the first k characters: find the first k whose
    // start is not left of `available`. Long lines are searched in a short prefix first,
    // since only a page width of characters can be visible.
    const qreal width = std::max<qreal>(CharacterWidth(metrics), 1.0);
    qsizetype high = std::min<qsizetype>(text.size(), 4 * static_cast<qsizetype>(std::ceil(available / width)) + 64);
    if (Advance(metrics, text, high) < available) {
        if (high == text.size() || Advance(metrics, text, text.size()) < available)
            return text.size();
        high = text.size();  // mostly zero-width characters: search the whole text
    }
    qsizetype low = 1;  // character 0 always starts at 0
    while (low < high) {
        const qsizetype middle = low + (high - low) / 2;
        if (Advance(metrics, text, middle) >= available)
            high = middle;
        else
            low = middle + 1;
    }
    if (low < text.size() && text[low - 1].isHighSurrogate())
        ++low;
    return low;
}

QFont EditorFont()
{
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    // Font matching hands out some other family when Courier New is not installed.
    if (QFontInfo(font).family() != QLatin1String("Courier New"))
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(kEditorFontPixels);
    // One glyph per character, as in a classic edit control: columns of readings stay
    // aligned, and text that needs no shaping is not run through the shaper on every
    // repaint (the editor does not keep glyphs between repaints).
    font.setStyleStrategy(QFont::StyleStrategy(font.styleStrategy() | QFont::PreferNoShaping));
    font.setKerning(false);
    return font;
}

QFont PrintFont(const QFont& editorFont)
{
    QFont font = editorFont;
    if (editorFont.pixelSize() > 0)
        font.setPointSizeF(editorFont.pixelSize() * kPointsPerInch / kPixelsPerInch);
    // One glyph per character, like a line printer: no "fi" ligature (some fixed-pitch
    // fonts have one, and a PDF then reads "\uFB01rst") and no kerning between columns.
    font.setStyleStrategy(QFont::StyleStrategy(font.styleStrategy() | QFont::PreferNoShaping));
    font.setKerning(false);
    return font;
}

bool PrintText(QPrinter& printer, const QString& text, const QFont& font, int leftSpace)
{
    const QString prefix(std::max(leftSpace, 0), QLatin1Char(' '));
    const QStringList lines = DocumentLines(text);

    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    // The painter's origin is the top-left corner of the printable area.
    painter.setFont(PrintFont(font));
    const QFontMetricsF metrics(painter.font(), &printer);
    const QRectF page(0, 0, printer.width(), printer.height());
    painter.setClipRect(page);

    const qreal lineHeight = metrics.lineSpacing();
    const qreal tabWidth = kTabColumns * CharacterWidth(metrics);
    const std::vector<PageLines> pages =
        PaginateLines(static_cast<int>(lines.size()), LinesPerPage(page.height(), lineHeight));
    bool ok = true;
    for (std::size_t p = 0; p < pages.size() && ok; ++p) {
        if (p > 0 && !printer.newPage()) {
            ok = false;
            break;
        }
        for (int i = 0; i < pages[p].count; ++i) {
            const qreal baseline = i * lineHeight + metrics.ascent();
            DrawLine(painter, metrics, prefix + lines[pages[p].first + i], baseline, page.width(), tabWidth);
        }
    }
    // Ending the painter closes the job (or writes the PDF file), also after a failure.
    const bool ended = painter.end();
    return ok && ended;
}

} // namespace dabrix::app
