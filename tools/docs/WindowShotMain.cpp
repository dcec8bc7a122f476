// dabrix-window-shot: a picture of the real main window for the help documents, taken at
// build time under the offscreen platform: the window in the given language, the "Manual"
// gauge chosen, a few readings of the demo's simulated gauge received. With --statistics,
// the Statistics panel is shown beside the editor, with tolerance limits and a batch of
// forty readings.
//   dabrix-window-shot --language de [--module dabrix.DEU] [--statistics] --output window.png
#include "app/InfoForm.h"
#include "app/MainForm.h"
#include "app/MainFormDialogs.h"
#include "app/SerialDialogForm.h"
#include "app/StartUp.h"
#include "platform/ProfileFile.h"
#include "tools/docs/Offscreen.h"
#include "tools/gauge_sim/SimOptions.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPixmap>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

// Nothing is asked while the picture is taken; should anything be, it is refused.
class NoDialogs : public TMainFormDialogs {
public:
    Answer Ask(QWidget*, const QString&, Buttons) override { return Answer::Cancel; }
    void ShowMessage(QWidget*, const QString&) override {}
    void ShowError(QWidget*, const QString&) override {}
    QString GetOpenFileName(QWidget*, const QString&, const QString&, bool*) override { return {}; }
    QString GetSaveFileName(QWidget*, const QString&, const QString&) override { return {}; }
    int ShowModal(QDialog&) override { return 0; }
    bool OpenUrl(const QUrl&) override { return false; }
};

void RunEventsFor(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

const char* PosixLocaleOf(const QString& language)
{
    if (language == QLatin1String("de"))
        return "de_DE.UTF-8";
    if (language == QLatin1String("fr"))
        return "fr_FR.UTF-8";
    return "en_GB.UTF-8";
}

} // namespace

int main(int argc, char** argv)
{
    // Scan the language before the application object exists: the system locale (the
    // decimal separator of the readings) is read when it starts.
    QString language = QStringLiteral("en");
    for (int i = 1; i + 1 < argc; ++i)
        if (QByteArray(argv[i]) == "--language")
            language = QString::fromLocal8Bit(argv[i + 1]);
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fputs("dabrix-window-shot: no temporary folder\n", stderr);
        return 1;
    }
    // A configuration of its own and simulated, empty hardware: nothing of the machine or
    // of the user's settings shows or is touched.
    const QDir root(dir.path());
    root.mkpath(QStringLiteral("config/Dabrix"));
    root.mkpath(QStringLiteral("usb"));
    root.mkpath(QStringLiteral("bt"));
    setenv("XDG_CONFIG_HOME", qPrintable(root.filePath(QStringLiteral("config"))), 1);
    setenv("DABRIX_USB_SIM", qPrintable(root.filePath(QStringLiteral("usb"))), 1);
    setenv("DABRIX_BT_SIM", qPrintable(root.filePath(QStringLiteral("bt"))), 1);
    unsetenv("DABRIX_IRDA_DIR");
    unsetenv("LC_MESSAGES");
    unsetenv("LC_NUMERIC");
    setenv("LC_ALL", PosixLocaleOf(language), 1);
    setenv("LANG", PosixLocaleOf(language), 1);
    dabrix::tools::UseOffscreenPlatform(dir);

    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Dabrix"));
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption languageOption(QStringLiteral("language"), QStringLiteral("de, en or fr."),
                                            QStringLiteral("CODE"), QStringLiteral("en"));
    const QCommandLineOption module(QStringLiteral("module"), QStringLiteral("The language module to load."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption output(QStringLiteral("output"), QStringLiteral("The PNG to write."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption statistics(QStringLiteral("statistics"),
                                        QStringLiteral("Show the Statistics panel with limits and more readings."));
    parser.addOptions({languageOption, module, output, statistics});
    parser.process(app);
    if (!parser.isSet(output)) {
        std::fputs(qPrintable(parser.helpText()), stderr);
        return 2;
    }

    TResourceModule resources;
    if (parser.isSet(module) && resources.Load({parser.value(module)}).isEmpty()) {
        std::fprintf(stderr, "dabrix-window-shot: cannot load %s\n", qPrintable(parser.value(module)));
        return 1;
    }

    const std::string ini = root.filePath(QStringLiteral("config/Dabrix/MSave.ini")).toStdString();
    {
        QFile file(QString::fromStdString(ini));
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        file.write(parser.isSet(statistics) ? "[Window]\nWidth=960\nHeight=680\n" : "[Window]\nWidth=640\nHeight=400\n");
        file.write("[Config]\nDevice=0\nPort=1\nBaud=9600\n[System]\nLanguage=");
        file.write(language.toUtf8() + "\n");
    }
    if (parser.isSet(statistics)) {
        QFile file(root.filePath(QStringLiteral("config/Dabrix/Statistics.ini")));
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        file.write("[Statistics]\nVisible=1\nLowerLimit=14\nUpperLimit=21\nBatch=3\n");
    }
    const long long readings = parser.isSet(statistics) ? 40 : 8;
    dabrix::platform::ProfileFile profile(ini);
    NoDialogs dialogs;
    QPixmap picture;
    {
        TMainForm form(profile, dialogs);
        TInfoForm info(&form, dialogs);
        TSerialDialogForm serial(&form);
        form.SetInfoForm(&info);
        form.SetSerialDialogForm(&serial);
        form.show();
        RunEventsFor(300);

        // Readings as the demo's simulated gauge sends them, through the window's own
        // telegram display.
        for (long long i = 0; i < readings; ++i) {
            const std::string line = dabrix::tools::GeneratedReading(i * 7) + "\r\n";
            TTelegramData telegram;
            telegram.Data.Assign(reinterpret_cast<const uint8_t*>(line.data()), line.size());
            TBuffer response;
            form.KTXComm2Manager1Connections0Telegram(nullptr, telegram, response);
            RunEventsFor(20);
        }
        RunEventsFor(300);
        picture = form.grab();
    }
    if (picture.isNull() || !picture.save(parser.value(output), "PNG")) {
        std::fprintf(stderr, "dabrix-window-shot: cannot write %s\n", qPrintable(parser.value(output)));
        return 1;
    }
    return 0;
}
