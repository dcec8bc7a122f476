#pragma once
// Turns a help document written in Markdown into a PDF: A4 pages with page numbers, the
// pictures it names taken from a folder and fitted to the page width.
#include <QString>

namespace dabrix::tools {

struct HelpPdfOptions {
    QString title;         // the PDF's title
    QString imageFolder;   // where the pictures the text names are read from
};

// Writes `markdown` (GitHub dialect) as a PDF to `output`. False with `error` set when a
// picture cannot be read or the file cannot be written.
bool WriteHelpPdf(const QString& markdown, const HelpPdfOptions& options, const QString& output,
                  QString* error);

} // namespace dabrix::tools
