// Plain-text printing: paging rules on their own, and whole print jobs written as PDF
// files and read back with poppler's tools, the way a printed page would be looked at.
#include "app/documents/TextPrinter.h"

#include "app/documents/tests/PdfText.h"

#include "app/documents/tests/QStringPrinter.h"

#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QPrinter>
#include <QTemporaryDir>

using namespace dabrix::app;
using namespace dabrix::app::test;

namespace {

// ---- Paging and measuring ---------------------------------------------------------------

TEST(PaginateLinesTest, FillsPagesInOrder)
{
    struct Case {
        int lines, perPage;
        std::vector<PageLines> pages;
    };
    const Case cases[] = {
        {0, 10, {}},
        {1, 10, {{0, 1}}},
        {10, 10, {{0, 10}}},
        {11, 10, {{0, 10}, {10, 1}}},
        {25, 10, {{0, 10}, {10, 10}, {20, 5}}},
        {3, 0, {{0, 1}, {1, 1}, {2, 1}}},  // a page always takes a line
    };
    for (const Case& c : cases)
        EXPECT_EQ(PaginateLines(c.lines, c.perPage), c.pages) << c.lines << " lines, " << c.perPage;
}

TEST(PaginateLinesTest, LinesPerPageCountsOnlyLinesThatFitWhole)
{
    struct Case {
        qreal page, line;
        int fit;
    };
    const Case cases[] = {
        {100, 10, 10},
        {99.9, 10, 9},
        {0.3, 0.1, 3},  // exact fit despite binary fractions
        {5, 10, 1},     // taller than the page: printed anyway
        {100, 0, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LinesPerPage(c.page, c.line), c.fit) << c.page << " / " << c.line;
}

TEST(PaginateLinesTest, TabsGoToTheNextStop)
{
    struct Case {
        qreal x, tab, next;
    };
    const Case cases[] = {
        {0, 8, 8}, {1, 8, 8}, {7.5, 8, 8}, {8, 8, 16}, {8 - 1e-9, 8, 16}, {17, 8, 24}, {3, 0, 3},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(NextTabStop(c.x, c.tab), c.next) << c.x << " / " << c.tab;
}

TEST(VisibleLengthTest, KeepsTheCharactersThatStartOnThePage)
{
    const QFontMetricsF metrics(EditorFont());
    const qreal w = CharacterWidth(metrics);
    ASSERT_GT(w, 0);
    const QString text(20, QLatin1Char('x'));
    EXPECT_EQ(VisibleLength(text, 5.5 * w, metrics), 6);  // the sixth is cut through
    EXPECT_EQ(VisibleLength(text, 5 * w, metrics), 5);
    EXPECT_EQ(VisibleLength(text, 1000 * w, metrics), 20);
    EXPECT_EQ(VisibleLength(text, 0, metrics), 0);
    const QString huge(1000000, QLatin1Char('x'));
    EXPECT_EQ(VisibleLength(huge, 80 * w, metrics), 80);

    const QString emoji = QString::fromUtf8("😀😀😀😀😀😀");
    for (qreal available = 0.5 * w; available < 20 * w; available += 0.5 * w)
        EXPECT_EQ(VisibleLength(emoji, available, metrics) % 2, 0) << "split a surrogate pair at " << available;
}

TEST(PrintFontTest, ScreenPixelsBecomePointsOnPaper)
{
    QFont pixels = EditorFont();
    pixels.setPixelSize(13);
    EXPECT_DOUBLE_EQ(PrintFont(pixels).pointSizeF(), 9.75);
    QFont points = EditorFont();
    points.setPointSizeF(12);
    EXPECT_DOUBLE_EQ(PrintFont(points).pointSizeF(), 12);
}

// ---- Print jobs -------------------------------------------------------------------------

class PrintJobTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!PdfToolsAvailable())
            GTEST_SKIP() << "pdftotext/pdfinfo (poppler-utils) are not installed";
        ASSERT_TRUE(dir.isValid());
    }

    enum class Margins { Default, None };

    // Prints to a new PDF file through the same printer path a real printer takes.
    QString Print(const QString& text, int leftSpace, Margins margins = Margins::Default,
                  const QFont& font = EditorFont())
    {
        const QString pdf = dir.filePath(QStringLiteral("job%1.pdf").arg(++jobs));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        if (margins == Margins::None)
            printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
        EXPECT_TRUE(PrintText(printer, text, font, leftSpace));
        return pdf;
    }

    QTemporaryDir dir;
    int jobs = 0;
};

TEST_F(PrintJobTest, IndentsEveryLineAndExpandsTabsFromTheLineStart)
{
    const QString text = QStringLiteral("1234567890\nabc\n\tTAB\nab\tX\n\nlast\n");
    const std::vector<PdfWord> plain = PdfWords(Print(text, 0));
    ASSERT_FALSE(plain.empty());
    // The page's left edge and the character pitch, measured on the paper.
    const PdfWord& digits = plain.front();
    ASSERT_EQ(digits.text, QStringLiteral("1234567890"));
    const double left = digits.xMin;
    const double pitch = (digits.xMax - digits.xMin) / 10;
    // The editor's 13 pixels print at about 10 points: 0.6 em wide characters.
    EXPECT_GT(pitch, 4.5);
    EXPECT_LT(pitch, 7.5);

    struct Expected {
        const char* word;
        double column;
    };
    auto check = [&](const std::vector<PdfWord>& words, int indent, std::initializer_list<Expected> expected) {
        ASSERT_EQ(words.size(), expected.size()) << "indent " << indent;
        std::size_t i = 0;
        for (const Expected& e : expected) {
            EXPECT_EQ(words[i].text, QString::fromUtf8(e.word)) << "indent " << indent;
            EXPECT_NEAR(words[i].xMin, left + e.column * pitch, 0.3) << e.word << ", indent " << indent;
            ++i;
        }
    };
    // Tabs stop every eight columns counted from the printed line's start, indent included.
    check(plain, 0, {{"1234567890", 0}, {"abc", 0}, {"TAB", 8}, {"ab", 0}, {"X", 8}, {"last", 0}});
    check(PdfWords(Print(text, 10)), 10,
          {{"1234567890", 10}, {"abc", 10}, {"TAB", 16}, {"ab", 10}, {"X", 16}, {"last", 10}});
    check(PdfWords(Print(text, -3)), -3, {{"1234567890", 0}, {"abc", 0}, {"TAB", 8}, {"ab", 0}, {"X", 8}, {"last", 0}});

    // The empty line takes its place: "last" is two line steps below "ab".
    const double step = plain[1].yMin - plain[0].yMin;
    EXPECT_NEAR(plain[5].yMin - plain[3].yMin, 2 * step, 0.3);

    // As text, on a page without margins where columns count from the paper's edge.
    const QString bare = Print(text, 10, Margins::None);
    const QStringList layout = PdfLayoutLines(bare, 0, pitch);
    const QStringList expectedLines = {
        "          1234567890",
        "          abc",
        "                TAB",
        "          ab    X",
        "",
        "          last",
    };
    EXPECT_EQ(layout, expectedLines) << layout.join(QLatin1Char('|')).toStdString();
}

TEST_F(PrintJobTest, LongDocumentsContinueOnFurtherPages)
{
    QStringList lines;
    for (int i = 1; i <= 300; ++i)
        lines << QStringLiteral("Line %1").arg(i, 4, 10, QLatin1Char('0'));
    const QString pdf = Print(lines.join(QLatin1Char('\n')), 10);

    const std::optional<int> pages = PdfPageCount(pdf);
    ASSERT_TRUE(pages);
    ASSERT_GE(*pages, 2);
    QStringList printed;
    std::vector<qsizetype> perPage;
    for (int page = 1; page <= *pages; ++page) {
        const QStringList onPage = PdfLayoutLines(pdf, page);
        perPage.push_back(onPage.size());
        for (const QString& line : onPage)
            printed << line.trimmed();
    }
    EXPECT_EQ(printed, lines);  // every line once, in order, none split or lost
    for (std::size_t i = 0; i + 1 < perPage.size(); ++i)
        EXPECT_EQ(perPage[i], perPage[0]) << "page " << i + 1 << " is not full";
    EXPECT_LE(perPage.back(), perPage[0]);
    EXPECT_GT(perPage.back(), 0);
}

TEST_F(PrintJobTest, LongLinesAreCutAtThePageEdgeNotWrapped)
{
    const QString text = QLatin1Char('A') + QString(1000, QLatin1Char('x')) + QStringLiteral("Z\n")
        + QString(200, QLatin1Char('y')) + QStringLiteral("\tTAIL\nnext\n");
    const QString pdf = Print(text, 10);

    const QStringList layout = PdfLayoutLines(pdf);
    ASSERT_EQ(layout.size(), 3) << layout.join(QLatin1Char('|')).toStdString();
    const QString first = layout[0].trimmed();
    EXPECT_TRUE(first.startsWith(QStringLiteral("Axxx"))) << first.toStdString();
    EXPECT_FALSE(first.contains(QLatin1Char('Z')));
    EXPECT_LT(first.size(), 200);
    EXPECT_FALSE(layout[1].contains(QStringLiteral("TAIL")));
    EXPECT_EQ(layout[2].trimmed(), QStringLiteral("next"));

    const std::optional<std::pair<double, double>> size = PdfPageSize(pdf);
    ASSERT_TRUE(size);
    for (const PdfWord& word : PdfWords(pdf))
        EXPECT_LE(word.xMax, size->first) << word.text.toStdString();
}

TEST_F(PrintJobTest, PrintsOneGlyphPerCharacterEvenWhereTheFontHasLigatures)
{
    // The application's proportional font has "fi" and "fl" ligatures; a PDF made with
    // them reads back as U+FB01 and U+FB02.
    QFont proportional(QStringLiteral("DejaVu Sans"));
    proportional.setPointSize(10);
    const QStringList layout = PdfLayoutLines(Print(QStringLiteral("first fluff\n"), 0, Margins::Default, proportional));
    EXPECT_EQ(layout, QStringList({"first fluff"}));
}

TEST_F(PrintJobTest, AnEmptyTextGivesAnEmptyPage)
{
    const QString pdf = Print(QString(), 10);
    EXPECT_EQ(PdfPageCount(pdf), 1);
    EXPECT_TRUE(PdfWords(pdf).empty());
}

TEST(PrintTextTest, ReportsAPrinterThatCannotStart)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QStringLiteral("/nonexistent-folder/for/sure/job.pdf"));
    EXPECT_FALSE(PrintText(printer, QStringLiteral("text\n"), EditorFont(), 10));
}

} // namespace
