// Document files: decoding of whatever a user opens, the exact bytes written, and writes
// that fail without harming the file they were to replace.
#include "app/documents/DocumentFile.h"

#include "app/documents/tests/FileSizeLimit.h"
#include "app/documents/tests/QStringPrinter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

using namespace dabrix::app;

namespace {

QByteArray Bytes(const char* data, std::size_t size)
{
    return QByteArray(data, static_cast<qsizetype>(size));
}
template <std::size_t N>
QByteArray Bytes(const char (&data)[N])
{
    return Bytes(data, N - 1);  // without the literal's terminating NUL, keeping inner NULs
}

void Store(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray Load(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QStringList FolderEntries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

mode_t Permissions(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

// ---- Decoding ---------------------------------------------------------------------------

struct DecodeCase {
    const char* name;
    QByteArray bytes;
    QString text;
};

void PrintTo(const DecodeCase& c, std::ostream* out)
{
    *out << c.name;
}

class DecodeTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTest, DecodesToEditorText)
{
    const DecodeCase& c = GetParam();
    EXPECT_EQ(DecodeDocument(c.bytes), c.text) << c.name;

    // Reading the same bytes from a file gives the same text.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("doc.txt"));
    Store(path, c.bytes);
    const DocumentReadResult read = ReadDocument(path);
    ASSERT_TRUE(read.ok) << read.error.toStdString();
    EXPECT_EQ(read.text, c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, DecodeTest,
    ::testing::Values(
        DecodeCase{"empty", Bytes(""), QString()},
        DecodeCase{"utf8", Bytes("12.5 \xC2\xB5m \xE2\x82\xAC \xF0\x9F\x98\x80\r\n"),
                   QString::fromUtf8("12.5 µm € 😀\n")},
        DecodeCase{"latin1 micro", Bytes("12.5 \xB5m\r\n"), QStringLiteral("12.5 \u00B5m\n")},
        DecodeCase{"latin1 with a valid-looking pair", Bytes("\xC3\xA4 \xE4\r\n"),
                   QStringLiteral("\u00C3\u00A4 \u00E4\n")},
        DecodeCase{"overlong form is not utf8", Bytes("\xC0\x80"), QStringLiteral("\u00C0\u0080\n")},
        DecodeCase{"encoded surrogate is not utf8", Bytes("\xED\xA0\x80"), QStringLiteral("\u00ED\u00A0\u0080\n")},
        DecodeCase{"cut sequence at the end", Bytes("ab\xE2\x82"), QStringLiteral("ab\u00E2\u0082\n")},
        DecodeCase{"bom skipped", Bytes("\xEF\xBB\xBF\xC2\xB5m\r\n"), QStringLiteral("\u00B5m\n")},
        DecodeCase{"bom alone", Bytes("\xEF\xBB\xBF"), QString()},
        DecodeCase{"every leading bom skipped", Bytes("\xEF\xBB\xBF\xEF\xBB\xBFx"), QStringLiteral("x\n")},
        DecodeCase{"bom before latin1 is latin1", Bytes("\xEF\xBB\xBF\xB5"),
                   QStringLiteral("\u00EF\u00BB\u00BF\u00B5\n")},
        DecodeCase{"lf", Bytes("a\nb\n"), QStringLiteral("a\nb\n")},
        DecodeCase{"cr lf", Bytes("a\r\nb\r\n"), QStringLiteral("a\nb\n")},
        DecodeCase{"cr", Bytes("a\rb\r"), QStringLiteral("a\nb\n")},
        DecodeCase{"mixed", Bytes("a\r\nb\rc\nd"), QStringLiteral("a\nb\nc\nd\n")},
        DecodeCase{"cr then cr lf", Bytes("a\r\r\nb"), QStringLiteral("a\n\nb\n")},
        DecodeCase{"lf then cr", Bytes("a\n\rb"), QStringLiteral("a\n\nb\n")},
        DecodeCase{"blank lines kept", Bytes("a\r\n\r\n\r\n"), QStringLiteral("a\n\n\n")},
        DecodeCase{"last line without end", Bytes("x"), QStringLiteral("x\n")},
        DecodeCase{"nul in utf8", Bytes("a\0b\r\n"), QStringLiteral("a\uFFFDb\n")},
        DecodeCase{"binary", Bytes("\0\xFF\x01\x7F\r"), QStringLiteral("\uFFFD\u00FF\u0001\u007F\n")}),
    [](const ::testing::TestParamInfo<DecodeCase>& info) {
        std::string name = info.param.name;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return name;
    });

// ---- Encoding ---------------------------------------------------------------------------

TEST(EncodeDocumentTest, WritesUtf8LinesEndingInCrLfWithoutMark)
{
    struct Case {
        QString text;
        QByteArray bytes;
    };
    const Case cases[] = {
        {QString(), Bytes("")},
        {QStringLiteral("a\nb"), Bytes("a\r\nb\r\n")},
        {QStringLiteral("a\nb\n"), Bytes("a\r\nb\r\n")},
        {QStringLiteral("a\n\n"), Bytes("a\r\n\r\n")},
        {QStringLiteral("\n"), Bytes("\r\n")},
        {QStringLiteral("12.5 \u00B5m"), Bytes("12.5 \xC2\xB5m\r\n")},      // gauge byte 0xB5
        {QStringLiteral("\u00A0\u00FF"), Bytes("\xC2\xA0\xC3\xBF\r\n")},   // gauge bytes 0xA0, 0xFF
        {QStringLiteral("a\rb\r\nc"), Bytes("a\r\nb\r\nc\r\n")},           // stray CR ends a line
        {QString::fromUtf16(u"x\0y", 3), Bytes("x\0y\r\n")},               // a received NUL stays
        {QStringLiteral("a\u2028b"), Bytes("a\xE2\x80\xA8" "b\r\n")},      // a character, not a line end
    };
    for (const Case& c : cases)
        EXPECT_EQ(EncodeDocument(c.text), c.bytes) << c.text.toStdString();
}

TEST(EncodeDocumentTest, CanonicalFilesComeBackByteForByte)
{
    const QByteArray files[] = {
        Bytes("a\r\n\r\nb\r\n"),
        Bytes("\xC2\xB5m\r\n\t\r\n"),
        Bytes("\r\n\r\n"),
    };
    for (const QByteArray& bytes : files)
        EXPECT_EQ(EncodeDocument(DecodeDocument(bytes)), bytes) << bytes.toStdString();
}

TEST(DocumentLinesTest, LinesWithoutTheirEnds)
{
    EXPECT_EQ(DocumentLines(u""), QStringList());
    EXPECT_EQ(DocumentLines(u"a"), QStringList({"a"}));
    EXPECT_EQ(DocumentLines(u"a\n"), QStringList({"a"}));
    EXPECT_EQ(DocumentLines(u"a\n\n"), QStringList({"a", ""}));
    EXPECT_EQ(DocumentLines(u"\n"), QStringList({""}));
    EXPECT_EQ(DocumentLines(u"a\r\nb\rc"), QStringList({"a", "b", "c"}));
}

// ---- Reading ----------------------------------------------------------------------------

TEST(ReadDocumentTest, RefusesWhatIsNotARegularFileWithoutBlocking)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);

    for (const QString& path : {dir.path(), fifo, dir.filePath(QStringLiteral("missing.txt"))}) {
        const DocumentReadResult read = ReadDocument(path);
        EXPECT_FALSE(read.ok) << path.toStdString();
        EXPECT_FALSE(read.error.isEmpty()) << path.toStdString();
        EXPECT_TRUE(read.text.isEmpty());
    }
}

TEST(ReadDocumentTest, RefusesAFileTooLargeForTheEditorBeforeReadingIt)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("huge.txt"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(kMaxDocumentBytes + 1));  // sparse: costs no disk
    }
    const DocumentReadResult read = ReadDocument(path);
    EXPECT_FALSE(read.ok);
    EXPECT_TRUE(read.error.contains(QStringLiteral("MB"))) << read.error.toStdString();
}

// ---- Writing ----------------------------------------------------------------------------

class WriteDocumentTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString Path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
};

TEST_F(WriteDocumentTest, CreatesTheFileWithExactBytes)
{
    const QString path = Path("new.txt");
    const DocumentWriteResult result = WriteDocument(path, u"12.5 \u00B5m\nok");
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(Load(path), Bytes("12.5 \xC2\xB5m\r\nok\r\n"));
    EXPECT_EQ(FolderEntries(dir.path()), QStringList({"new.txt"}));
}

TEST_F(WriteDocumentTest, ReplacesAFileKeepingItsPermissions)
{
    for (const mode_t mode : {mode_t(0640), mode_t(0604), mode_t(0600)}) {
        const QString path = Path("doc.txt");
        Store(path, "old contents\r\n");
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);

        const DocumentWriteResult result = WriteDocument(path, u"new");
        ASSERT_TRUE(result.ok) << result.error.toStdString();
        EXPECT_EQ(Load(path), Bytes("new\r\n"));
        EXPECT_EQ(Permissions(path), mode);
        EXPECT_EQ(FolderEntries(dir.path()), QStringList({"doc.txt"}));  // no temporary left
    }
}

TEST_F(WriteDocumentTest, WritesThroughASymbolicLink)
{
    const QString target = Path("target.txt");
    const QString link = Path("link.txt");
    Store(target, "old\r\n");
    ASSERT_TRUE(QFile::link(target, link));

    ASSERT_TRUE(WriteDocument(link, u"new").ok);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(Load(target), Bytes("new\r\n"));
}

TEST_F(WriteDocumentTest, KeepsTheOwnerOfAReplacedFile)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give a file to another owner";
    const QString path = Path("theirs.txt");
    Store(path, "old\r\n");
    ASSERT_EQ(::chown(QFile::encodeName(path).constData(), 4321, 4322), 0);

    ASSERT_TRUE(WriteDocument(path, u"new").ok);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_uid, 4321u);
    EXPECT_EQ(st.st_gid, 4322u);
}

// Each way a write can fail leaves what was there untouched and no stray file behind.
TEST_F(WriteDocumentTest, FailedWritesLeaveTheOldFileWhole)
{
    const QString old = Path("old.txt");
    Store(old, "precious\r\n");

    // The target is a folder.
    const QString folder = Path("folder.txt");
    ASSERT_TRUE(QDir().mkdir(folder));
    DocumentWriteResult result = WriteDocument(folder, u"text");
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_TRUE(QFileInfo(folder).isDir());

    // The target is a fifo: it must not be replaced by a plain file.
    const QString fifo = Path("fifo.txt");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    result = WriteDocument(fifo, u"text");
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_FALSE(QFileInfo(fifo).isFile());

    // The folder the file was in has gone.
    result = WriteDocument(Path("gone/doc.txt"), u"text");
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.isEmpty());

    // The disk fills up half-way.
    {
        dabrix::app::test::ScopedFileSizeLimit full(4096);
        ASSERT_TRUE(full.Active());
        result = WriteDocument(old, QString(100000, QLatin1Char('x')));
    }
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.isEmpty());

    EXPECT_EQ(Load(old), Bytes("precious\r\n"));
    QStringList entries = FolderEntries(dir.path());
    entries.sort();
    EXPECT_EQ(entries, QStringList({"fifo.txt", "folder.txt", "old.txt"}));
}

} // namespace
