#include "app/documents/DocumentFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dabrix::app {
namespace {

enum class NulBytes { Keep, Replace };

// Rewrites line ends to '\n' in place (the text only gets shorter) and terminates the last
// line. One pass, so that a file of a hundred megabytes costs no more than copying it.
void NormalizeInPlace(QString& text, NulBytes nul)
{
    const qsizetype size = text.size();
    QChar* data = text.data();
    qsizetype out = 0;
    for (qsizetype in = 0; in < size; ++in) {
        const char16_t c = data[in].unicode();
        if (c == u'\r') {
            if (in + 1 < size && data[in + 1].unicode() == u'\n')
                ++in;
            data[out++] = QLatin1Char('\n');
        } else if (c == 0 && nul == NulBytes::Replace) {
            data[out++] = QChar(QChar::ReplacementCharacter);
        } else {
            data[out++] = data[in];
        }
    }
    text.truncate(out);
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('\n')))
        text.append(QLatin1Char('\n'));
}

QString Tr(const char* text)
{
    return QCoreApplication::translate("TMainForm", text);
}

// Hands the new file the old one's owner, as an editor saving in place would have kept it.
// Only root may give a file away, so failing here is normal and harmless.
void KeepOwner(const QString& target, int fd)
{
    struct stat old {};
    if (fd < 0 || ::stat(QFile::encodeName(target).constData(), &old) != 0)
        return;
    if ((old.st_uid != ::geteuid() || old.st_gid != ::getegid())
        && ::fchown(fd, old.st_uid, old.st_gid) != 0) {
        // the new file stays ours
    }
}

// The rename is only durable once the folder's entry is on the disk too.
void SyncFolderOf(const QString& path)
{
    const QString resolved = QFileInfo(path).canonicalFilePath();
    const QString folder = QFileInfo(resolved.isEmpty() ? path : resolved).absolutePath();
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

QString NormalizedDocumentText(QStringView text)
{
    QString normalized = text.toString();
    NormalizeInPlace(normalized, NulBytes::Replace);
    return normalized;
}

QString DecodeDocument(const QByteArray& bytes)
{
    QByteArrayView body(bytes);
    // Byte-order marks at the start say nothing about the text; a file that has been
    // through other editors may carry several.
    while (body.startsWith("\xEF\xBB\xBF"))
        body = body.sliced(3);
    QStringDecoder utf8(QStringConverter::Utf8,
                        QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    QString text = utf8.decode(body);
    if (utf8.hasError()) {
        // Not UTF-8 after all: the mark, if there was one, was three Latin-1 characters.
        text.clear();  // first, so a large file is not held twice
        text = QString::fromLatin1(bytes);
    }
    NormalizeInPlace(text, NulBytes::Replace);
    return text;
}

QByteArray EncodeDocument(QStringView text)
{
    // NUL characters (a gauge may send the byte 0) are written as they are in the editor.
    QString normalized = text.toString();
    NormalizeInPlace(normalized, NulBytes::Keep);
    const QByteArray utf8 = normalized.toUtf8();
    // One copy with the CRs put in (QByteArray::replace moves the tail at every line).
    QByteArray bytes(utf8.size() + utf8.count('\n'), Qt::Uninitialized);
    char* out = bytes.data();
    for (const char c : utf8) {
        if (c == '\n')
            *out++ = '\r';
        *out++ = c;
    }
    return bytes;
}

QStringList DocumentLines(QStringView text)
{
    QString normalized = text.toString();
    NormalizeInPlace(normalized, NulBytes::Keep);
    QStringList lines = normalized.split(QLatin1Char('\n'));
    lines.removeLast();  // the empty piece after the last line end
    return lines;
}

DocumentReadResult ReadDocument(const QString& path)
{
    DocumentReadResult result;
    const QFileInfo info(path);
    // A fifo or a device would block or never end; a folder cannot be read as text.
    if (info.exists() && !info.isFile()) {
        result.error = Tr(QT_TRANSLATE_NOOP("TMainForm", "This is not a regular file."));
        return result;
    }
    if (info.size() > kMaxDocumentBytes) {
        result.error = Tr(QT_TRANSLATE_NOOP("TMainForm", "The file is too large (%1 MB; at most %2 MB can be opened)."))
                           .arg(info.size() / (1024 * 1024))
                           .arg(kMaxDocumentBytes / (1024 * 1024));
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = file.errorString();
        return result;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        result.error = file.errorString();
        return result;
    }
    result.text = DecodeDocument(bytes);
    result.ok = true;
    return result;
}

DocumentWriteResult WriteDocument(const QString& path, QStringView text)
{
    // Renaming over a device or a fifo would replace it with a plain file.
    const QFileInfo target(path);
    if (target.exists() && !target.isFile())
        return {false, target.isDir() ? Tr(QT_TRANSLATE_NOOP("TMainForm", "This is a folder.")) : Tr(QT_TRANSLATE_NOOP("TMainForm", "This is not a regular file."))};

    const QByteArray bytes = EncodeDocument(text);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {false, file.errorString()};
    KeepOwner(path, file.handle());
    if (file.write(bytes) != bytes.size()) {
        const QString error = file.errorString();
        file.cancelWriting();
        return {false, error};
    }
    if (!file.commit())
        return {false, file.errorString()};
    SyncFolderOf(path);
    return {true, {}};
}

} // namespace dabrix::app
