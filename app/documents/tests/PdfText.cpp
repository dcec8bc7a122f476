#include "app/documents/tests/PdfText.h"
#include "tests/support/ChildProcess.h"

#include <QRegularExpression>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>

namespace dabrix::app::test {
namespace {

std::optional<QString> Run(const QString& program, const QStringList& arguments)
{
    // Not QProcess: its fork-like start is refused by the thread checker once the test
    // has threads.
    dabrix::test::ChildProcess process;
    std::vector<std::string> args;
    for (const QString& a : arguments)
        args.push_back(a.toStdString());
    std::string output;
    if (!process.Start(program.toStdString(), args) || !process.ReadAll(output) || !process.Wait(std::chrono::seconds(30))
        || !process.ExitedNormally() || process.ExitCode() != 0)
        return std::nullopt;
    return QString::fromStdString(output);
}

} // namespace

bool PdfToolsAvailable()
{
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()
        && !QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty();
}

std::optional<int> PdfPageCount(const QString& pdf)
{
    const std::optional<QString> info = Run(QStringLiteral("pdfinfo"), {pdf});
    if (!info)
        return std::nullopt;
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)"), QRegularExpression::MultilineOption).match(*info);
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toInt();
}

std::optional<std::pair<double, double>> PdfPageSize(const QString& pdf)
{
    const std::optional<QString> info = Run(QStringLiteral("pdfinfo"), {pdf});
    if (!info)
        return std::nullopt;
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("^Page size:\\s+([\\d.]+) x ([\\d.]+) pts"),
                           QRegularExpression::MultilineOption)
            .match(*info);
    if (!match.hasMatch())
        return std::nullopt;
    return std::make_pair(match.captured(1).toDouble(), match.captured(2).toDouble());
}

std::vector<PdfImage> PdfImages(const QString& pdf)
{
    const std::optional<QString> list = Run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
    std::vector<PdfImage> images;
    if (!list)
        return images;
    // page num type width height color ...; two header lines first.
    for (const QString& line : list->split(QLatin1Char('\n')).mid(2)) {
        const QStringList fields = line.simplified().split(QLatin1Char(' '));
        if (fields.size() > 4 && fields[2] == QLatin1String("image"))
            images.push_back({fields[0].toInt(), fields[3].toInt(), fields[4].toInt()});
    }
    return images;
}

QStringList PdfLayoutLines(const QString& pdf, int page, double fixedPitch)
{
    QStringList arguments{QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8")};
    if (fixedPitch > 0)
        arguments << QStringLiteral("-fixed") << QString::number(fixedPitch, 'f', 4);
    if (page > 0)
        arguments << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l") << QString::number(page);
    arguments << pdf << QStringLiteral("-");
    const std::optional<QString> text = Run(QStringLiteral("pdftotext"), arguments);
    if (!text)
        return {};
    QString all = *text;
    all.remove(QLatin1Char('\f'));
    QStringList lines = all.split(QLatin1Char('\n'));
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    return lines;
}

std::vector<PdfWord> PdfWords(const QString& pdf)
{
    const std::optional<QString> html =
        Run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), QStringLiteral("-enc"), QStringLiteral("UTF-8"),
                                          pdf, QStringLiteral("-")});
    std::vector<PdfWord> words;
    if (!html)
        return words;
    // A word at the paper's top edge may start a hair above it: coordinates can be negative.
    static const QRegularExpression tag(
        QStringLiteral("<page |<word xMin=\"(-?[\\d.]+)\" yMin=\"(-?[\\d.]+)\" xMax=\"(-?[\\d.]+)\" "
                       "yMax=\"(-?[\\d.]+)\">([^<]*)</word>"));
    int page = 0;
    for (QRegularExpressionMatchIterator it = tag.globalMatch(*html); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        if (match.captured(0).startsWith(QStringLiteral("<page"))) {
            ++page;
            continue;
        }
        words.push_back({page, match.captured(1).toDouble(), match.captured(2).toDouble(),
                         match.captured(3).toDouble(), match.captured(4).toDouble(), match.captured(5)});
    }
    return words;
}

std::vector<PdfWord> FirstWordOfEachLine(const std::vector<PdfWord>& words)
{
    std::vector<PdfWord> sorted = words;
    std::stable_sort(sorted.begin(), sorted.end(), [](const PdfWord& a, const PdfWord& b) {
        return a.page != b.page ? a.page < b.page : a.yMin < b.yMin;
    });
    std::vector<PdfWord> first;
    for (const PdfWord& word : sorted) {
        const bool sameLine = !first.empty() && first.back().page == word.page
            && std::abs(first.back().yMin - word.yMin) < 0.5;
        if (!sameLine)
            first.push_back(word);
        else if (word.xMin < first.back().xMin)
            first.back() = word;
    }
    return first;
}

} // namespace dabrix::app::test
