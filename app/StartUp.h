#pragma once
// The program's start-up: the language module, the version text and the entry sequence.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTranslator>

#include <memory>

// The version as the Info dialog shows it: "a.b.c.d" gives "a.b" followed directly by c
// ("1.2.0.0" -> "1.20", "2.10.3.0" -> "2.103"). Empty when the text has fewer than three parts.
QString VersionText(const QString& version);
// The version compiled into the program ("1.2.0.0").
QString ProgramVersion();

// The locale identifier of a language code for the module search: "de" -> 1031,
// "en" -> 2057, "fr" -> 1036 (exact comparison); 0 for anything else.
int LocaleIdOfLanguageCode(const QString& code);

// The folders where the program keeps its language modules and help documents, in the
// order they are searched: the program's own folder, then ../share/dabrix from it (an
// installed /usr/bin/dabrix finds /usr/share/dabrix).
QStringList ProgramDataFolders(const QString& programFolder);

// The files tried, in order, for the language module of a locale identifier, given the
// program file's full path: in each of the program's data folders, the program's file name
// with the locale's abbreviation as extension ("/opt/dabrix/dabrix.DEU"), then with its
// first two letters ("/opt/dabrix/dabrix.DE"). A program file without an extension gets
// one. Empty for a locale without an abbreviation (such as 0) or an empty path.
QStringList ResourceModuleCandidates(const QString& programPath, int localeId);

// The language module: a Qt translation file that supplies every window text and message
// text of one language, together with Qt's own translation of that language (qtbase_xx.qm,
// the standard buttons and dialogs), so that both speak the same language. Without a
// module the built-in English texts are used, Qt's included.
class TResourceModule {
public:
    TResourceModule() = default;
    ~TResourceModule();
    TResourceModule(const TResourceModule&) = delete;
    TResourceModule& operator=(const TResourceModule&) = delete;

    // Tries the candidates in order and installs the first one that loads; the module
    // loaded before is released. Returns the file loaded, or empty (built-in English).
    // `qtFolders` are searched, in order, for Qt's translation of the module's language;
    // empty means the module's own folder, then Qt's translations folder.
    QString Load(const QStringList& candidates, const QStringList& qtFolders = {});
    // The file in use, empty for the built-in texts.
    QString FileName() const { return fileName_; }
    // The file of Qt's own translation in use, empty when there is none.
    QString QtFileName() const;

private:
    void Release();

    std::unique_ptr<QTranslator> translator_;
    std::unique_ptr<QTranslator> qtTranslator_;
    QByteArray data_;  // the translator reads the module from here; kept while installed
    QString fileName_;
};

namespace dabrix::app {

// The program entry: single instance, configuration, language module, windows, message
// loop. Returns the process exit code.
int RunDabrix(int argc, char** argv);

} // namespace dabrix::app
