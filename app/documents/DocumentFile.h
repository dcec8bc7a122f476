#pragma once
// Reading and writing the editor's documents.
//
// On disk a document is UTF-8 without a byte-order mark, every line ending in CR LF.
// In memory (and in the editor) lines are separated by '\n' and the last line is
// terminated too, so that "a\r\n\r\n" comes back as "a\n\n" and is written back
// byte for byte; a file whose last line has no line end gets one.
//
// Reading accepts any file: UTF-8 when the bytes are valid UTF-8 (a leading byte-order
// mark is skipped), otherwise Latin-1, so every byte b shows as the character U+00bb the
// way gauge bytes do; lines end at CR LF, CR or LF. NUL bytes, which a text editor cannot
// show, become U+FFFD; everything else is kept.
//
// Threads: plain functions, callable from any thread.
#include <QString>
#include <QStringList>
#include <QStringView>

namespace dabrix::app {

// Files larger than this are refused instead of filling the memory: the editor holds the
// text twice (the file's and its own copy) in 16-bit characters.
inline constexpr qint64 kMaxDocumentBytes = 256 * 1024 * 1024;

struct DocumentReadResult {
    bool ok = false;
    QString text;   // the document in memory form (see above)
    QString error;  // why the file could not be read, for the user
};

struct DocumentWriteResult {
    bool ok = false;
    QString error;  // why the file could not be written, for the user
};

// Line ends (CR LF, CR, LF) become '\n', NUL becomes U+FFFD and a last line without a line
// end gets one. Text in memory form is returned unchanged.
QString NormalizedDocumentText(QStringView text);

// Decodes the bytes of a document file (see above) into memory form.
QString DecodeDocument(const QByteArray& bytes);

// The bytes written for a document in memory form (or any text: it is normalised first).
QByteArray EncodeDocument(QStringView text);

// The document's lines without their line ends; an empty text has none.
QStringList DocumentLines(QStringView text);

// Reads a whole regular file at once.
DocumentReadResult ReadDocument(const QString& path);

// Writes the text to a new file beside `path`, flushes it to the disk and renames it over
// `path`, keeping an existing file's permissions (and, where allowed, its owner). A symbolic
// link is followed. A failed write leaves the old file as it was.
DocumentWriteResult WriteDocument(const QString& path, QStringView text);

} // namespace dabrix::app
