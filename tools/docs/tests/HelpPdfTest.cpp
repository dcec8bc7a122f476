// The help documents as PDF: what the Markdown says ends up as text and pictures on A4
// pages, and the three documents of the build are there, each in its language with the
// picture of the window.
#include "app/documents/tests/PdfText.h"
#include "tools/docs/HelpPdf.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

namespace {

using namespace dabrix::app::test;
using dabrix::tools::HelpPdfOptions;
using dabrix::tools::WriteHelpPdf;

class HelpPdf : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        if (!PdfToolsAvailable())
            GTEST_SKIP() << "poppler-utils are not installed";
    }
    QString Path(const QString& name) const { return QDir(dir_.path()).filePath(name); }
    void Picture(const QString& name, QSize size)
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        ASSERT_TRUE(image.save(Path(name)));
    }

    QTemporaryDir dir_;
};

TEST_F(HelpPdf, TextTablesAndPicturesReachTheA4Pages)
{
    Picture("window.png", QSize(1600, 800));  // wider than the text: shown scaled down
    const QString markdown = QString::fromUtf8(
        "# Handbuch\n\nDie Messwerte erscheinen im Editor: 12,5 µm.\n\n"
        "![Fenster](window.png)\n\n"
        "| Status | Bedeutung |\n|---|---|\n| Getrennt | Keine Verbindung |\n\n"
        "    sudo usermod -aG dialout \"$USER\"\n");
    QString error;
    ASSERT_TRUE(WriteHelpPdf(markdown, HelpPdfOptions{"Handbuch", dir_.path()}, Path("out.pdf"), &error))
        << error.toStdString();

    EXPECT_EQ(PdfPageCount(Path("out.pdf")), 1);
    const std::optional<std::pair<double, double>> size = PdfPageSize(Path("out.pdf"));
    ASSERT_TRUE(size);
    EXPECT_NEAR(size->first, 595.3, 1.0);
    EXPECT_NEAR(size->second, 841.9, 1.0);
    const QString text = PdfLayoutLines(Path("out.pdf")).join(QLatin1Char('\n'));
    for (const char* expected : {"Handbuch", "Die Messwerte erscheinen im Editor: 12,5 µm.", "Getrennt",
                                 "Keine Verbindung", "sudo usermod -aG dialout \"$USER\""})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n" << text.toStdString();
    const std::vector<PdfImage> images = PdfImages(Path("out.pdf"));
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].page, 1);
    EXPECT_EQ(images[0].width, 1600);  // the pixels are kept; only the shown size shrinks
    EXPECT_EQ(images[0].height, 800);
}

TEST_F(HelpPdf, ALongDocumentGetsNumberedPages)
{
    QString markdown = QStringLiteral("# Manual\n\n");
    for (int i = 1; i <= 120; ++i)
        markdown += QStringLiteral("Paragraph %1 of a long manual.\n\n").arg(i);
    QString error;
    ASSERT_TRUE(WriteHelpPdf(markdown, HelpPdfOptions{"Manual", dir_.path()}, Path("long.pdf"), &error));
    const std::optional<int> pages = PdfPageCount(Path("long.pdf"));
    ASSERT_TRUE(pages);
    ASSERT_GT(*pages, 1);
    for (int page = 1; page <= *pages; ++page) {
        const QStringList lines = PdfLayoutLines(Path("long.pdf"), page);
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_EQ(lines.last().trimmed(), QString::number(page)) << "page " << page;
    }
    EXPECT_TRUE(PdfLayoutLines(Path("long.pdf")).join(' ').contains("Paragraph 120 of a long manual."));
}

TEST_F(HelpPdf, AMissingPictureOrAnUnwritableFileIsAnError)
{
    QString error;
    EXPECT_FALSE(WriteHelpPdf("![x](absent.png)\n", HelpPdfOptions{"x", dir_.path()}, Path("a.pdf"), &error));
    EXPECT_TRUE(error.contains("absent.png")) << error.toStdString();

    error.clear();
    EXPECT_FALSE(WriteHelpPdf("text\n", HelpPdfOptions{"x", dir_.path()}, Path("no-folder/a.pdf"), &error));
    EXPECT_TRUE(error.contains("no-folder/a.pdf")) << error.toStdString();
}

// The documents the build made, beside the program and its language modules.
TEST_F(HelpPdf, TheBuildsHelpDocumentsAreManualsInTheirLanguageWithTheWindow)
{
    const struct {
        const char* file;
        const char* language;
        std::vector<const char*> headings;
    } documents[] = {
        {"DBXDEU.PDF", "de", {"Dabrix – Handbuch", "Messgerät wählen", "Zugriffsrechte auf serielle Schnittstellen",
                              "USB-Messgeräte und die udev-Regel", "Der Messgeräte-Simulator"}},
        {"DBXENG.PDF", "en", {"Dabrix – User manual", "Choosing the gauge", "Permission to use serial ports",
                              "USB gauges and the udev rule", "The gauge simulator"}},
        {"DBXFRA.PDF", "fr", {"Dabrix – Manuel d'utilisation", "Choisir l'appareil de mesure",
                              "Droits d'accès aux ports série", "Appareils USB et règle udev",
                              "Le simulateur d'appareil de mesure"}},
    };
    for (const auto& d : documents) {
        const QString pdf = QDir(QStringLiteral(DABRIX_TEST_HELP_FOLDER)).filePath(QString::fromLatin1(d.file));
        // A long heading may wrap: words count, not lines.
        const QString text = PdfLayoutLines(pdf).join(QLatin1Char(' ')).simplified();
        ASSERT_FALSE(text.isEmpty()) << d.file;
        for (const char* heading : d.headings)
            EXPECT_TRUE(text.contains(QString::fromUtf8(heading))) << d.file << ": " << heading;

        const QImage window(QStringLiteral(DABRIX_TEST_WINDOW_PICTURES "/%1/dabrix-window.png")
                                .arg(QLatin1String(d.language)));
        ASSERT_FALSE(window.isNull()) << d.language;
        const std::vector<PdfImage> images = PdfImages(pdf);
        ASSERT_EQ(images.size(), 1u) << d.file;
        EXPECT_EQ(images[0].page, 1) << d.file;
        EXPECT_EQ(QSize(images[0].width, images[0].height), window.size()) << d.file;
    }
}

} // namespace
