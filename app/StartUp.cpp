#include "app/StartUp.h"

#include "app/CaretBlink.h"
#include "app/DabrixApplication.h"
#include "app/InfoForm.h"
#include "app/MainForm.h"
#include "app/MainFormDialogs.h"
#include "app/SerialDialogForm.h"
#include "comm/d2xx/D2XXUsbLink.h"
#include "platform/ConfigFolder.h"
#include "platform/Locale.h"
#include "platform/ProfileFile.h"
#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>

#include <cstring>

#ifndef DABRIX_VERSION
#error "DABRIX_VERSION must be defined by the build"
#endif

QString VersionText(const QString& version)
{
    const QStringList parts = version.split(QLatin1Char('.'));
    if (parts.size() < 3)
        return {};
    return parts[0] + QLatin1Char('.') + parts[1] + parts[2];
}

QString ProgramVersion()
{
    return QStringLiteral(DABRIX_VERSION);
}

int LocaleIdOfLanguageCode(const QString& code)
{
    if (code == QLatin1String("de"))
        return dabrix::platform::LocaleGerman;
    if (code == QLatin1String("en"))
        return dabrix::platform::LocaleEnglishUK;
    if (code == QLatin1String("fr"))
        return dabrix::platform::LocaleFrench;
    return 0;
}

QStringList ProgramDataFolders(const QString& programFolder)
{
    return {programFolder, QDir::cleanPath(programFolder + QStringLiteral("/../share/dabrix"))};
}

QStringList ResourceModuleCandidates(const QString& programPath, int localeId)
{
    const QString name = QString::fromStdString(dabrix::platform::LanguageAbbrevOfLocaleId(localeId));
    if (programPath.isEmpty() || name.isEmpty())
        return {};
    // The program's own extension (if its file name has one) gives way to the
    // language's; the usual extension-less program file just gets one.
    const QFileInfo program(programPath);
    QString base = program.fileName();
    const int dot = static_cast<int>(base.lastIndexOf(QLatin1Char('.')));
    if (dot >= 0)
        base.truncate(dot);
    base += QLatin1Char('.');
    QStringList candidates;
    for (const QString& folder : ProgramDataFolders(program.path())) {
        const QString path = QDir(folder).filePath(base);
        candidates << path + name;
        if (name.size() > 2)
            candidates << path + name.left(2);
    }
    return candidates;
}

TResourceModule::~TResourceModule()
{
    Release();
}

void TResourceModule::Release()
{
    if (qtTranslator_) {
        QCoreApplication::removeTranslator(qtTranslator_.get());
        qtTranslator_.reset();
    }
    if (translator_) {
        QCoreApplication::removeTranslator(translator_.get());
        translator_.reset();
    }
    data_.clear();
    fileName_.clear();
}

QString TResourceModule::QtFileName() const
{
    return qtTranslator_ ? qtTranslator_->filePath() : QString();
}

QString TResourceModule::Load(const QStringList& candidates, const QStringList& qtFolders)
{
    for (const QString& candidate : candidates) {
        if (!QFileInfo(candidate).isFile())
            continue;
        QFile file(candidate);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        QByteArray data = file.readAll();
        auto translator = std::make_unique<QTranslator>();
        if (data.isEmpty()
            || !translator->load(reinterpret_cast<const uchar*>(data.constData()),
                                 static_cast<int>(data.size())))
            continue;
        Release();
        data_ = std::move(data);
        translator_ = std::move(translator);
        fileName_ = candidate;
        QCoreApplication::installTranslator(translator_.get());

        // Qt's own texts (standard buttons, file and print dialogs) follow the module's
        // language.
        const QLocale language(translator_->language());
        QStringList folders = qtFolders;
        if (folders.isEmpty())
            folders = {QFileInfo(candidate).path(), QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
        for (const QString& folder : folders) {
            auto qt = std::make_unique<QTranslator>();
            if (language.language() != QLocale::C
                && qt->load(language, QStringLiteral("qtbase"), QStringLiteral("_"), folder)) {
                qtTranslator_ = std::move(qt);
                QCoreApplication::installTranslator(qtTranslator_.get());
                break;
            }
        }
        return fileName_;
    }
    return {};
}

namespace dabrix::app {

int RunDabrix(int argc, char** argv)
{
    // 1. One instance only: a second start ends here, silently.
    const std::string configFolder = platform::ConfigFolder();
    std::string lockPath = platform::SingleInstance::DefaultLockPath(configFolder);
    if (lockPath.rfind(configFolder, 0) == 0)
        platform::EnsureFolder(configFolder);
    platform::SingleInstance instance;
    switch (instance.Acquire(lockPath)) {
    case platform::SingleInstance::Result::Acquired:
        break;
    case platform::SingleInstance::Result::AlreadyRunning:
        return 0;
    case platform::SingleInstance::Result::Unavailable:
        // Without a lock file nobody can tell whether another copy runs; running is
        // better than never starting.
        qWarning().noquote() << "Dabrix: cannot use the instance lock" << QString::fromStdString(lockPath)
                             << ":" << std::strerror(instance.Error());
        break;
    }

    // 2./3. The configuration folder and MSave.ini. A folder that cannot be made is not
    // reported: reads then give the defaults and writes are lost.
    platform::EnsureFolder(configFolder);
    platform::ProfileFile profile(configFolder + "/MSave.ini");

    // 6. The application object (title "Dabrix"); the main window carries the task-bar entry.
    TDabrixApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Dabrix"));
    QCoreApplication::setApplicationVersion(ProgramVersion());
    QGuiApplication::setDesktopFileName(QStringLiteral("example.dabrix.Dabrix"));

    // 4./5. The language module of the stored language, "en" when none is stored.
    const QString language = QString::fromStdString(profile.ReadString("System", "Language", "en"));
    TResourceModule module;
    module.Load(ResourceModuleCandidates(QCoreApplication::applicationFilePath(),
                                         LocaleIdOfLanguageCode(language)));

    InstallUserMessageHooks();
    const TCaretBlinkTimeout caretBlink(std::chrono::seconds(10));
    // USB gauges are reached through the bridge library: every connection item made from
    // here on gets its USB link from it.
    comm::InstallD2XXUsbLinkFactory();
    int exitCode = 0;
    {
        // 7. The windows, in this order.
        TQtMainFormDialogs dialogs;
        TMainForm mainForm(profile, dialogs);
        TInfoForm infoForm(&mainForm, dialogs);
        TSerialDialogForm serialDialogForm(&mainForm);
        mainForm.SetInfoForm(&infoForm);
        mainForm.SetSerialDialogForm(&serialDialogForm);

        // 8. The version label.
        infoForm.LabelVersion->setText(VersionText(ProgramVersion()));

        // 9. The message loop, until the main window has closed.
        mainForm.show();
        exitCode = app.exec();
    }
    RemoveUserMessageHooks();
    // 10. The lock and the profile file go with this scope.
    return exitCode;
}

} // namespace dabrix::app
