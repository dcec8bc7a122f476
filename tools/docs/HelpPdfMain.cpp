// dabrix-help-pdf: builds a help document from its Markdown source at build time.
//   dabrix-help-pdf --title TITLE --images DIR --output OUT.pdf INPUT.md
#include "tools/docs/HelpPdf.h"
#include "tools/docs/Offscreen.h"

#include <QCommandLineParser>
#include <QFile>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QTemporaryDir runtime;
    dabrix::tools::UseOffscreenPlatform(runtime);
    QGuiApplication app(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Writes a help document as PDF."));
    parser.addHelpOption();
    const QCommandLineOption title(QStringLiteral("title"), QStringLiteral("The document's title."),
                                   QStringLiteral("TITLE"));
    const QCommandLineOption images(QStringLiteral("images"), QStringLiteral("Folder of the pictures."),
                                    QStringLiteral("DIR"), QStringLiteral("."));
    const QCommandLineOption output(QStringLiteral("output"), QStringLiteral("The PDF to write."),
                                    QStringLiteral("FILE"));
    parser.addOptions({title, images, output});
    parser.addPositionalArgument(QStringLiteral("input"), QStringLiteral("The Markdown source."));
    parser.process(app);
    if (parser.positionalArguments().size() != 1 || !parser.isSet(output)) {
        std::fputs(qPrintable(parser.helpText()), stderr);
        return 2;
    }

    QFile input(parser.positionalArguments().constFirst());
    if (!input.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "dabrix-help-pdf: cannot read %s\n", qPrintable(input.fileName()));
        return 1;
    }
    QString error;
    if (!dabrix::tools::WriteHelpPdf(QString::fromUtf8(input.readAll()),
                                     {parser.value(title), parser.value(images)}, parser.value(output), &error)) {
        std::fprintf(stderr, "dabrix-help-pdf: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
