// The German and French texts against the program's sources: lupdate is run on copies of
// the .ts files with the same source list as the dabrix_lupdate target, so a text added
// to the code without a translation fails here, as does a translation that lost a
// placeholder, a line break or the spaces it is joined by.
#include "tests/support/ChildProcess.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct TsMessage {
    QString context;
    QString source;
    QString translation;
    QString type;  // "", "unfinished", "vanished" or "obsolete"
};

// The text of a <source> or <translation> element: Qt writes characters that XML cannot
// carry (CR) as <byte value="xd"/>.
QString ReadTsText(QXmlStreamReader& xml)
{
    QString text;
    const QString endName = xml.name().toString();
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isCharacters()) {
            text += xml.text();
        } else if (xml.isStartElement() && xml.name() == QLatin1String("byte")) {
            bool ok = false;
            const QString value = xml.attributes().value(QLatin1String("value")).toString();
            const uint code = value.startsWith(QLatin1Char('x')) ? value.mid(1).toUInt(&ok, 16) : value.toUInt(&ok);
            if (ok)
                text += QChar(code);
        } else if (xml.isStartElement() && xml.name() == QLatin1String("numerusform")) {
            text += ReadTsText(xml);
        } else if (xml.isEndElement() && xml.name() == endName) {
            break;
        }
    }
    return text;
}

std::vector<TsMessage> ParseTs(const QByteArray& data, QString* error)
{
    std::vector<TsMessage> messages;
    QXmlStreamReader xml(data);
    QString context;
    TsMessage message;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("name")) {
                context = xml.readElementText();
            } else if (xml.name() == QLatin1String("message")) {
                message = TsMessage{context, {}, {}, {}};
            } else if (xml.name() == QLatin1String("source")) {
                message.source = ReadTsText(xml);
            } else if (xml.name() == QLatin1String("translation")) {
                message.type = xml.attributes().value(QLatin1String("type")).toString();
                message.translation = ReadTsText(xml);
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("message")) {
            messages.push_back(message);
        }
    }
    if (xml.hasError() && error)
        *error = xml.errorString();
    return messages;
}

QStringList Placeholders(const QString& text)
{
    static const QRegularExpression placeholder(QStringLiteral("%(L?[1-9][0-9]?|n)"));
    QStringList found;
    for (auto it = placeholder.globalMatch(text); it.hasNext();)
        found << it.next().captured(0);
    found.sort();
    return found;
}

QString LeadingSpace(const QString& text)
{
    qsizetype n = 0;
    while (n < text.size() && text[n].isSpace())
        ++n;
    return text.left(n);
}

QString TrailingSpace(const QString& text)
{
    qsizetype n = 0;
    while (n < text.size() && text[text.size() - 1 - n].isSpace())
        ++n;
    return text.right(n);
}

// One line per fault, naming the context and the source text.
std::vector<std::string> TranslationFaults(const std::vector<TsMessage>& messages)
{
    std::vector<std::string> faults;
    for (const TsMessage& m : messages) {
        QString where = m.context + QStringLiteral(": \"") + m.source + QLatin1Char('"');
        where.replace(QLatin1Char('\r'), QStringLiteral("\\r")).replace(QLatin1Char('\n'), QStringLiteral("\\n"));
        auto fault = [&](const char* what) { faults.push_back(where.toStdString() + " " + what); };
        if (!m.type.isEmpty() || (m.translation.isEmpty() && !m.source.isEmpty())) {
            fault("has no finished translation");
            continue;
        }
        if (Placeholders(m.source) != Placeholders(m.translation))
            fault("has other placeholders in its translation");
        if (m.source.count(QLatin1Char('\n')) != m.translation.count(QLatin1Char('\n'))
            || m.source.count(QLatin1Char('\r')) != m.translation.count(QLatin1Char('\r')))
            fault("has other line breaks in its translation");
        if (LeadingSpace(m.source) != LeadingSpace(m.translation)
            || TrailingSpace(m.source) != TrailingSpace(m.translation))
            fault("has other leading or trailing spaces in its translation");
    }
    return faults;
}

QByteArray TsFile(const QByteArray& messages)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE TS>\n<TS version=\"2.1\" language=\"de_DE\">\n"
           "<context>\n    <name>TMainForm</name>\n"
        + messages + "</context>\n</TS>\n";
}

TEST(TranslationCheck, FindsEachKindOfFaultAndPassesAGoodTranslation)
{
    const struct {
        const char* name;
        QByteArray message;
        const char* fault;  // empty: none
    } cases[] = {
        {"good", "<message><source>Overwrite %1 ?</source><translation>%1 überschreiben ?</translation></message>", ""},
        {"unfinished", "<message><source>New</source><translation type=\"unfinished\">Neu</translation></message>",
         "has no finished translation"},
        {"empty", "<message><source>New</source><translation></translation></message>",
         "has no finished translation"},
        {"vanished", "<message><source>Old</source><translation type=\"vanished\">Alt</translation></message>",
         "has no finished translation"},
        {"lost placeholder", "<message><source>Overwrite %1 ?</source><translation>Überschreiben ?</translation></message>",
         "has other placeholders in its translation"},
        {"other placeholder", "<message><source>File %1</source><translation>Datei %2</translation></message>",
         "has other placeholders in its translation"},
        {"reordered placeholders are fine",
         "<message><source>%1 - %2</source><translation>%2 – %1</translation></message>", ""},
        {"lost line feed", "<message><source>Cannot read %1:\n%2</source><translation>%1: %2</translation></message>",
         "has other line breaks in its translation"},
        {"lost carriage return",
         "<message><source>Restart.<byte value=\"xd\"/>\n<byte value=\"xd\"/>\nNow ?</source>"
         "<translation>Neustart.\n\nJetzt ?</translation></message>",
         "has other line breaks in its translation"},
        {"kept carriage returns",
         "<message><source>Restart.<byte value=\"xd\"/>\nNow ?</source>"
         "<translation>Neustart.<byte value=\"xd\"/>\nJetzt ?</translation></message>",
         ""},
        {"lost leading space", "<message><source> Baud</source><translation>Baud</translation></message>",
         "has other leading or trailing spaces in its translation"},
    };
    for (const auto& c : cases) {
        QString error;
        const std::vector<TsMessage> messages = ParseTs(TsFile(c.message), &error);
        ASSERT_TRUE(error.isEmpty()) << c.name << ": " << error.toStdString();
        ASSERT_EQ(messages.size(), 1u) << c.name;
        const std::vector<std::string> faults = TranslationFaults(messages);
        if (*c.fault == '\0') {
            EXPECT_TRUE(faults.empty()) << c.name << ": " << (faults.empty() ? "" : faults[0]);
        } else {
            ASSERT_EQ(faults.size(), 1u) << c.name;
            EXPECT_NE(faults[0].find(c.fault), std::string::npos) << c.name << ": " << faults[0];
            EXPECT_EQ(faults[0].rfind("TMainForm: \"", 0), 0u) << faults[0];
        }
    }
}

class Translations : public ::testing::TestWithParam<const char*> {};

TEST_P(Translations, EveryTextOfTheProgramHasAFaithfulTranslation)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString source = QStringLiteral(DABRIX_TEST_TS_FOLDER "/dabrix_%1.ts").arg(QLatin1String(GetParam()));
    const QString copy = QDir(dir.path()).filePath(QFileInfo(source).fileName());
    ASSERT_TRUE(QFile::copy(source, copy)) << source.toStdString();

    // The same run as the dabrix_lupdate target, on the copy: texts new in the sources
    // come in unfinished, texts gone from them go.
    dabrix::test::ChildProcess lupdate;
    ASSERT_TRUE(lupdate.Start(DABRIX_TEST_LUPDATE, {"-silent", "-no-obsolete", "-locations", "none",
                                                   "@" DABRIX_TEST_TS_SOURCES, "-ts", copy.toStdString()}));
    std::string output;
    EXPECT_TRUE(lupdate.ReadAll(output));
    ASSERT_TRUE(lupdate.Wait(std::chrono::seconds(30)));
    ASSERT_TRUE(lupdate.ExitedNormally() && lupdate.ExitCode() == 0) << output;

    QFile file(copy);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QString error;
    const std::vector<TsMessage> messages = ParseTs(file.readAll(), &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();

    // The texts of the libraries below the window are among them, not only the window's.
    QSet<QString> contexts;
    for (const TsMessage& m : messages)
        contexts.insert(m.context);
    for (const char* context : {"TMainForm", "ResourceString", "lnkErrors", "lnkExceptions", "D2XXUnit"})
        EXPECT_TRUE(contexts.contains(QLatin1String(context))) << context;

    const std::vector<std::string> faults = TranslationFaults(messages);
    std::string list;
    for (const std::string& f : faults)
        list += "\n  " + f;
    EXPECT_TRUE(faults.empty()) << faults.size() << " fault(s) in dabrix_" << GetParam() << ".ts (run "
                                << "`cmake --build build --target dabrix_lupdate`, then translate):" << list;
}

INSTANTIATE_TEST_SUITE_P(Languages, Translations, ::testing::Values("de", "fr"));

} // namespace
