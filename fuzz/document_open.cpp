// Arbitrary bytes as a document being opened. Checks: no memory fault; the text has no
// lone CR; writing the text and decoding it again gives the same text (opening a file
// that Dabrix saved shows what was saved).
#include "app/documents/DocumentFile.h"
#include "fuzz/FuzzChecks.h"

using dabrix::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = dabrix::app::DecodeDocument(bytes);
    Check(!text.contains(QLatin1Char('\r')), "decoded text keeps a CR");
    const QStringList lines = dabrix::app::DocumentLines(text);
    (void)lines;
    const QByteArray written = dabrix::app::EncodeDocument(text);
    Check(!written.startsWith("\xEF\xBB\xBF"), "written document has a byte-order mark");
    Check(dabrix::app::DecodeDocument(written) == text, "saved text reads back differently");
    return 0;
}
