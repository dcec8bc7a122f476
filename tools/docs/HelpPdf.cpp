#include "tools/docs/HelpPdf.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextFrame>
#include <QTextTable>
#include <QTextImageFormat>
#include <QUrl>

#include <algorithm>
#include <vector>

namespace dabrix::tools {

namespace {

// The text width of an A4 page with the 2 cm margins QTextDocument::print() keeps, in the
// document's units (1/96 inch).
constexpr double kTextWidth = (21.0 - 4.0) / 2.54 * 96.0;

// Every picture the document names, read from the folder, and each one shown at most as
// wide as the text.
bool LoadImages(QTextDocument& document, const QString& folder, QString* error)
{
    struct Use {
        int position;
        int length;
        QTextImageFormat format;
    };
    std::vector<Use> uses;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.isValid() && fragment.charFormat().isImageFormat())
                uses.push_back({fragment.position(), fragment.length(), fragment.charFormat().toImageFormat()});
        }
    }
    for (Use& use : uses) {
        const QString name = use.format.name();
        const QString path = QDir(folder).filePath(name);
        const QImage image(path);
        if (image.isNull()) {
            if (error)
                *error = QStringLiteral("cannot read the picture %1").arg(path);
            return false;
        }
        document.addResource(QTextDocument::ImageResource, QUrl(name), image);
        // The picture keeps its proportions; one wider than the text is scaled down.
        const double width = std::min<double>(image.width(), kTextWidth);
        use.format.setWidth(width);
        use.format.setHeight(width * image.height() / image.width());
        QTextCursor cursor(&document);
        cursor.setPosition(use.position);
        cursor.setPosition(use.position + use.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(use.format);
    }
    return true;
}

// Room around headings and in table cells, which Markdown leaves to the reader.
void Style(QTextDocument& document)
{
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QTextBlockFormat format = block.blockFormat();
        if (format.headingLevel() == 0)
            continue;
        format.setTopMargin(format.headingLevel() == 1 ? 0 : 14);
        format.setBottomMargin(6);
        QTextCursor(block).setBlockFormat(format);
    }
    std::vector<QTextFrame*> frames{document.rootFrame()};
    while (!frames.empty()) {
        QTextFrame* frame = frames.back();
        frames.pop_back();
        for (QTextFrame* child : frame->childFrames())
            frames.push_back(child);
        auto* table = qobject_cast<QTextTable*>(frame);
        if (!table)
            continue;
        QTextTableFormat format = table->format();
        format.setBorderCollapse(false);
        format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        format.setBorder(0.75);
        format.setBorderBrush(QColor(0x80, 0x80, 0x80));
        format.setCellSpacing(0);
        format.setCellPadding(4);
        format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
        format.setTopMargin(4);
        format.setBottomMargin(8);
        table->setFormat(format);
        // The header row stands out.
        for (int column = 0; column < table->columns(); ++column) {
            QTextTableCell cell = table->cellAt(0, column);
            QTextCharFormat cellFormat = cell.format();
            cellFormat.setBackground(QColor(0xe8, 0xe8, 0xe8));
            cell.setFormat(cellFormat);
        }
    }
}

} // namespace

bool WriteHelpPdf(const QString& markdown, const HelpPdfOptions& options, const QString& output,
                  QString* error)
{
    QTextDocument document;
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"), QStringLiteral("sans-serif")});
    font.setPointSizeF(10.5);
    // No ligatures: a PDF viewer's search and copy then find "ff" as two letters.
    font.setStyleStrategy(QFont::PreferNoShaping);
    document.setDefaultFont(font);
    document.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
    document.setMetaInformation(QTextDocument::DocumentTitle, options.title);
    if (!LoadImages(document, options.imageFolder, error))
        return false;
    Style(document);

    QFile file(output);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(output, file.errorString());
        return false;
    }
    {
        QPdfWriter writer(&file);
        writer.setTitle(options.title);
        writer.setCreator(QStringLiteral("Dabrix"));
        writer.setResolution(300);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        // print() lays the text out on 2 cm margins and numbers the pages.
        document.print(&writer);
    }
    file.close();
    if (file.error() != QFileDevice::NoError || file.size() == 0) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(output, file.errorString());
        return false;
    }
    return true;
}

} // namespace dabrix::tools
