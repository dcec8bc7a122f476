// Start-up rules: version text, language codes and the language module search, the
// user's default language, and the single-instance lock.
#include "app/MainForm.h"
#include "app/StartUp.h"
#include "app/tests/ScopedEnvironment.h"
#include "platform/Locale.h"
#include "platform/SingleInstance.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTemporaryDir>

#include <cerrno>

namespace {

TEST(VersionText, JoinsMinorAndReleaseWithoutAPoint)
{
    const struct {
        const char* version;
        const char* text;
    } cases[] = {
        {"1.2.0.0", "1.20"},
        {"2.10.3.0", "2.103"},
        {"2.4.1.0", "2.41"},
        {"1.2.0", "1.20"},   // no build number: the rule still has its three parts
        {"1.2", ""},         // too few parts: no version to show
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VersionText(QString::fromLatin1(c.version)), QString::fromLatin1(c.text)) << c.version;
}

TEST(VersionText, ProgramVersionIsTheProjectVersion)
{
    EXPECT_EQ(ProgramVersion(), QStringLiteral("1.2.0.0"));
    EXPECT_EQ(VersionText(ProgramVersion()), QStringLiteral("1.20"));
}

TEST(ResourceModule, LanguageCodesGiveLocaleIdentifiersByExactComparison)
{
    EXPECT_EQ(LocaleIdOfLanguageCode("de"), 1031);
    EXPECT_EQ(LocaleIdOfLanguageCode("en"), 2057);
    EXPECT_EQ(LocaleIdOfLanguageCode("fr"), 1036);
    for (const char* other : {"DE", "de ", "nl", "", "deu", "e"})
        EXPECT_EQ(LocaleIdOfLanguageCode(QString::fromLatin1(other)), 0) << '"' << other << '"';
}

TEST(ResourceModule, CandidatesTakeTheLocalesAbbreviationThenItsFirstTwoLetters)
{
    // Beside the program first, then in the shared data folder of an installed program.
    EXPECT_EQ(ResourceModuleCandidates("/usr/bin/dabrix", 1031),
              QStringList({"/usr/bin/dabrix.DEU", "/usr/bin/dabrix.DE", "/usr/share/dabrix/dabrix.DEU",
                           "/usr/share/dabrix/dabrix.DE"}));
    EXPECT_EQ(ResourceModuleCandidates("/opt/dabrix/dabrix", 2057).mid(0, 2),
              QStringList({"/opt/dabrix/dabrix.ENG", "/opt/dabrix/dabrix.EN"}));
    EXPECT_EQ(ResourceModuleCandidates("/opt/dabrix/dabrix", 1036).mid(0, 2),
              QStringList({"/opt/dabrix/dabrix.FRA", "/opt/dabrix/dabrix.FR"}));
    // A program file with an extension has it replaced; a dot in a folder name is no extension.
    EXPECT_EQ(ResourceModuleCandidates("/opt/dabrix.d/bin/dabrix.bin", 1031),
              QStringList({"/opt/dabrix.d/bin/dabrix.DEU", "/opt/dabrix.d/bin/dabrix.DE",
                           "/opt/dabrix.d/share/dabrix/dabrix.DEU", "/opt/dabrix.d/share/dabrix/dabrix.DE"}));
    EXPECT_EQ(ResourceModuleCandidates("/opt/dabrix.d/dabrix", 1031).mid(0, 2),
              QStringList({"/opt/dabrix.d/dabrix.DEU", "/opt/dabrix.d/dabrix.DE"}));
    // Locale 0 (a language other than de, en, fr) and an unknown path load nothing.
    EXPECT_TRUE(ResourceModuleCandidates("/opt/dabrix/dabrix", 0).isEmpty());
    EXPECT_TRUE(ResourceModuleCandidates("", 1031).isEmpty());
}

TEST(ResourceModule, DataFoldersAreTheProgramsFolderThenShareBesideIt)
{
    EXPECT_EQ(ProgramDataFolders("/usr/bin"), QStringList({"/usr/bin", "/usr/share/dabrix"}));
    EXPECT_EQ(ProgramDataFolders("/home/u/build/app"), QStringList({"/home/u/build/app", "/home/u/build/share/dabrix"}));
}

class ResourceModuleLoad : public ::testing::Test {
protected:
    // An installed program: bin/dabrix, and share/dabrix beside bin/.
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(QDir(dir_.path()).mkpath("bin"));
        ASSERT_TRUE(QDir(dir_.path()).mkpath("share/dabrix"));
        program_ = QDir(dir_.path()).filePath("bin/dabrix");
        shared_ = QDir(dir_.path()).filePath("share/dabrix/dabrix");
    }
    void Place(const QString& suffix, const QByteArray& bytes) { PlaceAt(program_ + suffix, bytes); }
    static void PlaceAt(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    static QByteArray Module(const char* path)
    {
        QFile file(QString::fromUtf8(path));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path;
        return file.readAll();
    }
    static QByteArray GermanModule() { return Module(DABRIX_TEST_MODULE_DEU); }
    static QByteArray FrenchModule() { return Module(DABRIX_TEST_MODULE_FRA); }
    static QString NewCaption() { return QCoreApplication::translate("TMainForm", "New"); }
    // A text of Qt's own: the Cancel button of message boxes and dialogs.
    static QString CancelButton() { return QCoreApplication::translate("QPlatformTheme", "Cancel"); }

    QTemporaryDir dir_;
    QString program_;
    QString shared_;
};

TEST_F(ResourceModuleLoad, LoadsTheFullNameAndTranslatesUntilReleased)
{
    Place(".DEU", GermanModule());
    {
        TResourceModule module;
        EXPECT_EQ(module.Load(ResourceModuleCandidates(program_, 1031)), program_ + ".DEU");
        EXPECT_EQ(NewCaption(), QStringLiteral("Neu"));
        // The error texts of the layers below come from the same module.
        EXPECT_EQ(QCoreApplication::translate("ResourceString", "Timeout !", "65284"),
                  QStringLiteral("Zeitüberschreitung !"));
    }
    EXPECT_EQ(NewCaption(), QStringLiteral("New"));
}

TEST_F(ResourceModuleLoad, FallsBackToTheTwoLetterNameWhenTheFullOneFails)
{
    Place(".DEU", QByteArray("not a translation module"));
    Place(".DE", GermanModule());
    PlaceAt(shared_ + ".DEU", FrenchModule());  // the short name beside the program comes first
    TResourceModule module;
    EXPECT_EQ(module.Load(ResourceModuleCandidates(program_, 1031)), program_ + ".DE");
    EXPECT_EQ(NewCaption(), QStringLiteral("Neu"));
}

TEST_F(ResourceModuleLoad, NoModuleKeepsTheBuiltInEnglish)
{
    // "en" asks for dabrix.ENG, which is not shipped: English is built in.
    Place(".DEU", GermanModule());
    TResourceModule module;
    EXPECT_EQ(module.Load(ResourceModuleCandidates(program_, 2057)), QString());
    EXPECT_EQ(module.Load(ResourceModuleCandidates(program_, 0)), QString());
    EXPECT_EQ(NewCaption(), QStringLiteral("New"));
}

TEST_F(ResourceModuleLoad, ALaterModuleReplacesTheEarlierOne)
{
    Place(".DEU", GermanModule());
    Place(".FRA", FrenchModule());
    TResourceModule module;
    ASSERT_FALSE(module.Load(ResourceModuleCandidates(program_, 1031)).isEmpty());
    ASSERT_FALSE(module.Load(ResourceModuleCandidates(program_, 1036)).isEmpty());
    EXPECT_EQ(NewCaption(), QStringLiteral("Nouveau"));
    EXPECT_EQ(CancelButton(), QStringLiteral("Annuler"));
}

TEST_F(ResourceModuleLoad, AnInstalledModuleIsFoundInTheSharedFolderUnlessOneIsBesideTheProgram)
{
    PlaceAt(shared_ + ".DEU", GermanModule());
    {
        TResourceModule module;
        EXPECT_EQ(module.Load(ResourceModuleCandidates(program_, 1031)), shared_ + ".DEU");
        EXPECT_EQ(NewCaption(), QStringLiteral("Neu"));
    }
    Place(".DE", FrenchModule());  // a module beside the program wins, even the short name
    TResourceModule module;
    EXPECT_EQ(module.Load(ResourceModuleCandidates(program_, 1031)), program_ + ".DE");
    EXPECT_EQ(NewCaption(), QStringLiteral("Nouveau"));
}

// Message boxes, file and print dialogs take their buttons and labels from Qt's own
// translation (Debian's qt6-translations-l10n), loaded in the module's language.
TEST_F(ResourceModuleLoad, QtsOwnTextsFollowTheModulesLanguageUntilReleased)
{
    const struct {
        int localeId;
        const char* suffix;
        QByteArray module;
        const char* qtFile;
        const char* cancel;
    } cases[] = {
        {1031, ".DEU", GermanModule(), "qtbase_de.qm", "Abbrechen"},
        {1036, ".FRA", FrenchModule(), "qtbase_fr.qm", "Annuler"},
    };
    for (const auto& c : cases) {
        Place(c.suffix, c.module);
        {
            TResourceModule module;
            ASSERT_FALSE(module.Load(ResourceModuleCandidates(program_, c.localeId)).isEmpty());
            EXPECT_EQ(QFileInfo(module.QtFileName()).fileName(), QString::fromLatin1(c.qtFile));
            EXPECT_EQ(CancelButton(), QString::fromUtf8(c.cancel));
        }
        EXPECT_EQ(CancelButton(), QStringLiteral("Cancel"));
    }
}

TEST_F(ResourceModuleLoad, WithoutQtsTranslationTheModuleStillLoadsAndQtStaysEnglish)
{
    Place(".DEU", GermanModule());
    TResourceModule module;
    EXPECT_EQ(module.Load(ResourceModuleCandidates(program_, 1031), {dir_.path()}), program_ + ".DEU");
    EXPECT_EQ(NewCaption(), QStringLiteral("Neu"));
    EXPECT_TRUE(module.QtFileName().isEmpty());
    EXPECT_EQ(CancelButton(), QStringLiteral("Cancel"));
}

TEST_F(ResourceModuleLoad, QtsTranslationBesideTheModuleComesFirst)
{
    // A relocated installation may carry Qt's translations beside its modules.
    PlaceAt(shared_ + ".DEU", GermanModule());
    ASSERT_TRUE(QFile::copy(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_de.qm",
                            QFileInfo(shared_).path() + "/qtbase_de.qm"));
    TResourceModule module;
    ASSERT_FALSE(module.Load(ResourceModuleCandidates(program_, 1031)).isEmpty());
    EXPECT_EQ(module.QtFileName(), QFileInfo(shared_).path() + "/qtbase_de.qm");
}

TEST(DefaultLanguage, ComesFromThePosixLocaleInItsOrderOfPrecedence)
{
    const struct {
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        const char* code;
    } cases[] = {
        {nullptr, nullptr, "de_DE.UTF-8", "de"},
        {nullptr, nullptr, "en_US.UTF-8", "en"},
        {nullptr, nullptr, "en_GB", "en"},
        {nullptr, nullptr, "fr_FR.UTF-8", "fr"},
        {nullptr, nullptr, "fr_CA.UTF-8@euro", "fr"},
        {nullptr, nullptr, "nl_NL.UTF-8", "nl"},
        {nullptr, nullptr, "de_AT", "de"},
        {nullptr, nullptr, "C", "en"},
        {nullptr, nullptr, "POSIX", "en"},
        {nullptr, nullptr, "C.UTF-8", "en"},
        {nullptr, nullptr, nullptr, "en"},
        {nullptr, nullptr, "garbage!", "en"},
        {nullptr, "fr_FR.UTF-8", "de_DE.UTF-8", "fr"},   // LC_MESSAGES before LANG
        {"nl_NL", "fr_FR.UTF-8", "de_DE.UTF-8", "nl"},   // LC_ALL before both
        {"", "", "de_DE.UTF-8", "de"},                   // empty values do not count
    };
    for (const auto& c : cases) {
        ScopedEnvironment env;
        auto put = [&env](const char* name, const char* value) {
            if (value)
                env.Set(name, value);
            else
                env.Unset(name);
        };
        put("LC_ALL", c.lcAll);
        put("LC_MESSAGES", c.lcMessages);
        put("LANG", c.lang);
        EXPECT_EQ(TMainForm::DefaultLanguage(), QString::fromLatin1(c.code))
            << (c.lcAll ? c.lcAll : "-") << ' ' << (c.lcMessages ? c.lcMessages : "-") << ' '
            << (c.lang ? c.lang : "-");
    }
}

TEST(DefaultLanguage, AbbreviationsFollowTheTerritory)
{
    using dabrix::platform::LanguageAbbrevOfPosixLocale;
    const struct {
        const char* locale;
        const char* abbrev;
    } cases[] = {
        {"de_DE.UTF-8", "DEU"}, {"de_CH", "DES"},   {"en_US", "ENU"}, {"en_GB.UTF-8", "ENG"},
        {"en_IN", "ENU"},  // a territory the table lacks: the language's main country
        {"fr_FR", "FRA"},  {"fr_BE@euro", "FRB"}, {"nl_NL", "NLD"}, {"nl", "NLD"},
        {"sw_KE", "SW"},   // a language the table lacks: its code
        {"C", "ENU"},      {"", ""},              {"_DE", ""},      {"1a_B", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LanguageAbbrevOfPosixLocale(c.locale), c.abbrev) << c.locale;

    EXPECT_EQ(dabrix::platform::LanguageAbbrevOfLocaleId(1031), "DEU");
    EXPECT_EQ(dabrix::platform::LanguageAbbrevOfLocaleId(2057), "ENG");
    EXPECT_EQ(dabrix::platform::LanguageAbbrevOfLocaleId(1036), "FRA");
    EXPECT_EQ(dabrix::platform::LanguageAbbrevOfLocaleId(0), "");
}

TEST(SingleInstance, TheSecondHolderIsRefusedUntilTheFirstLetsGo)
{
    using dabrix::platform::SingleInstance;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = QDir(dir.path()).filePath("Dabrix_Instance").toStdString();

    SingleInstance first;
    SingleInstance second;
    ASSERT_EQ(first.Acquire(path), SingleInstance::Result::Acquired);
    EXPECT_TRUE(first.Held());
    EXPECT_EQ(second.Acquire(path), SingleInstance::Result::AlreadyRunning);
    EXPECT_FALSE(second.Held());

    first.Release();
    EXPECT_EQ(second.Acquire(path), SingleInstance::Result::Acquired);
}

TEST(SingleInstance, AnUnusableLockPlaceIsReportedWithItsError)
{
    using dabrix::platform::SingleInstance;
    SingleInstance instance;
    EXPECT_EQ(instance.Acquire("/nonexistent-dabrix-folder/Dabrix_Instance"),
              SingleInstance::Result::Unavailable);
    EXPECT_EQ(instance.Error(), ENOENT);
    EXPECT_EQ(instance.Acquire(""), SingleInstance::Result::Unavailable);
}

TEST(SingleInstance, TheLockLivesInTheRuntimeFolderElseTheConfigurationFolder)
{
    using dabrix::platform::SingleInstance;
    ScopedEnvironment env;
    env.Set("XDG_RUNTIME_DIR", "/run/user/1000");
    EXPECT_EQ(SingleInstance::DefaultLockPath("/home/u/.config/Dabrix"), "/run/user/1000/Dabrix_Instance");
    env.Set("XDG_RUNTIME_DIR", "");
    EXPECT_EQ(SingleInstance::DefaultLockPath("/home/u/.config/Dabrix"),
              "/home/u/.config/Dabrix/Dabrix_Instance");
    env.Unset("XDG_RUNTIME_DIR");
    EXPECT_EQ(SingleInstance::DefaultLockPath(""), "");
}

} // namespace
