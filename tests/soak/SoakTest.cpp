// The soak test: the real main window over a long run. Not part of the test suite (it
// takes minutes); `make soak` builds and runs it and it prints its figures.
//
//  1. A million readings from the gauge simulator, sent back to back (unpaced: a
//     pseudo-terminal takes them as fast as the window reads them), while a modal dialog
//     is opened and closed again and again through the window's own modal path. The
//     editor and the file saved with Save as must then hold exactly those readings.
//  2. Unplug and replug, 200 times: the simulator is a separate dabrix-gauge-sim process
//     that ends (its port disappears, as when a cable is pulled) and starts again;
//     Connect each time and at least one reading received each time. Threads, file
//     descriptors and memory must not grow, and the program must sleep while the port is
//     gone.
//
// DABRIX_SOAK_READINGS and DABRIX_SOAK_CYCLES change the two sizes for a quick run;
// DABRIX_SOAK_STATISTICS=1 runs both with the Statistics panel open (and tolerance limits),
// and the first then also checks that every reading is in the panel's batch.
#include "tests/e2e/GaugeWindowFixture.h"

#include "app/ReadingsPanel.h"
#include "comm/KTXComm2Item.h"
#include "tests/support/EventLoop.h"

#include <QAction>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLocale>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTextBlock>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <unistd.h>

using namespace std::chrono_literals;
using dabrix::test::RunEventsFor;
using dabrix::test::WaitFor;
using dabrix::tools::GeneratedReading;
using dabrix::tools::SimOptions;
using dabrix::tools::SimSource;
using Clock = std::chrono::steady_clock;

namespace {

long long EnvNumber(const char* name, long long fallback)
{
    const char* text = std::getenv(name);
    return text && *text ? std::atoll(text) : fallback;
}

double Seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// ---- The process's resources ------------------------------------------------------------

struct Resources {
    long fds = 0;
    long threads = 0;
    long rssKb = 0;
};

long CountEntries(const char* folder)
{
    long n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++n;
    return n;
}

Resources Measure()
{
    Resources r;
    r.fds = CountEntries("/proc/self/fd") - 1;  // the iterator's own descriptor
    r.threads = CountEntries("/proc/self/task");
    long pages = 0;
    long resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    r.rssKb = resident * (::sysconf(_SC_PAGESIZE) / 1024);
    return r;
}

double ProcessCpuSeconds()
{
    timespec ts {};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// Runs the event loop the way the program does when idle (blocking in the event
// dispatcher, not polling) for `duration`.
void IdleFor(std::chrono::milliseconds duration)
{
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
}

// ---- What the window makes of a reading ------------------------------------------------

// A generated reading as the editor shows it and the file holds it (UTF-8): the first
// "um" with the micro sign, the last point before a digit as the user's decimal separator.
std::string ShownReading(long long index, const std::string& separator)
{
    std::string line = GeneratedReading(index);
    const size_t point = line.rfind('.');
    if (point != std::string::npos && point + 1 < line.size() && std::isdigit(static_cast<unsigned char>(line[point + 1]))
        && line.find(':') == std::string::npos)
        line.replace(point, 1, separator);
    const size_t um = line.find("um");
    if (um != std::string::npos)
        line.replace(um, 1, "\xC2\xB5");
    return line;
}

class SoakTest : public GaugeWindowTest {
protected:
    // With DABRIX_SOAK_STATISTICS=1, the window opens with the Statistics panel shown.
    static bool WithStatistics() { return EnvNumber("DABRIX_SOAK_STATISTICS", 0) != 0; }
    void CreateWindow()
    {
        if (WithStatistics()) {
            std::ofstream(ConfigFolder() + "/Statistics.ini") << "[Statistics]\nVisible=1\nLowerLimit=15\nUpperLimit=20\n";
        }
        Create();
        Show();
    }

    // A block count of the editor is cheap; its text is not.
    long long EditorLineCount() const { return form_->Editor->document()->blockCount() - 1; }
};

// ---- 1. A million readings -------------------------------------------------------------

TEST_F(SoakTest, AMillionReadingsArriveWholeThroughModalDialogsIntoTheEditorAndTheFile)
{
    const long long readings = EnvNumber("DABRIX_SOAK_READINGS", 1'000'000);
    SimOptions gauge = SilentGauge(57600);
    gauge.source = SimSource::Generate;
    gauge.count = readings;
    gauge.flood = true;
    const int com = StartSim(gauge);
    ASSERT_GT(com, 0);
    WriteGaugeSettings(9, com);  // Lakmo 3X00 / Sonavel 3 (COM): raw lines, never polled
    CreateWindow();

    // The Info dialog, shown modally through the window's own path: a nested event loop
    // that runs for a while, as a user reading it would keep it open.
    int dialogs = 0;
    long long duringDialogs = 0;
    dialogs_.onShowModal = [&](QDialog&) {
        const long long before = EditorLineCount();
        IdleFor(250ms);
        duringDialogs += EditorLineCount() - before;
        ++dialogs;
        return 0;
    };

    const Resources atStart = Measure();
    const auto start = Clock::now();
    form_->act_interface_conneced->trigger();
    auto lastProgress = Clock::now();
    long long seen = 0;
    std::optional<Clock::time_point> nextDialog;  // the first once readings flow
    while (EditorLineCount() < readings) {
        WaitFor([&] { return EditorLineCount() >= readings; }, 200ms);
        if (EditorLineCount() != seen) {
            seen = EditorLineCount();
            lastProgress = Clock::now();
        }
        ASSERT_LT(Clock::now() - lastProgress, 30s) << "no reading for 30 s at " << seen;
        if (!nextDialog && seen > 0)
            nextDialog = Clock::now();
        if (nextDialog && Clock::now() >= *nextDialog) {
            form_->menuitem_Info->trigger();
            nextDialog = Clock::now() + 400ms;
        }
    }
    const auto took = Clock::now() - start;
    ASSERT_TRUE(WaitFor([&] { return sim_->Stats().itemsSent == readings; }, 10s));
    RunEventsFor(500ms);  // nothing more may come
    const Resources full = Measure();

    const std::string separator = QLocale::system().decimalPoint().toStdString();
    std::string expected;
    expected.reserve(static_cast<size_t>(readings) * 24);
    for (long long i = 0; i < readings; ++i)
        expected += ShownReading(i, separator) + "\r\n";

    // The editor: every reading in order, nothing else.
    EXPECT_EQ(EditorLineCount(), readings);
    long long wrongLines = 0;
    long long firstWrong = -1;
    long long index = 0;
    for (QTextBlock b = form_->Editor->document()->begin(); b.isValid() && index < readings; b = b.next(), ++index) {
        if (b.text().toStdString() != ShownReading(index, separator)) {
            if (firstWrong < 0)
                firstWrong = index;
            ++wrongLines;
        }
    }
    EXPECT_EQ(wrongLines, 0) << "first at line " << firstWrong;

    // The file, saved through the window's Save as: byte for byte.
    const QString path = QDir(dir_.path()).filePath("soak.txt");
    dialogs_.saveNames.push_back(path);
    const auto saveStart = Clock::now();
    form_->act_file_saveas->trigger();
    const auto saveTook = Clock::now() - saveStart;
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    const std::string_view savedView(saved.constData(), static_cast<size_t>(saved.size()));
    size_t mismatch = 0;
    while (mismatch < savedView.size() && mismatch < expected.size() && savedView[mismatch] == expected[mismatch])
        ++mismatch;
    EXPECT_TRUE(savedView == expected) << "saved " << saved.size() << " bytes, expected " << expected.size()
                                       << "; first difference at byte " << mismatch;
    EXPECT_GE(dialogs, 3);
    EXPECT_GT(duringDialogs, 0) << "no reading arrived while a dialog was open";
    EXPECT_EQ(sim_->Stats().enqs, 0);

    std::printf("\n== Soak 1: %lld readings, unpaced over the pseudo-terminal, gauge Tag 9 (57600 baud, raw lines)\n",
                readings);
    std::printf("   readings sent by the simulator:  %lld\n", sim_->Stats().itemsSent);
    std::printf("   readings in the editor:          %lld (%lld not as sent)\n", EditorLineCount(), wrongLines);
    std::printf("   bytes in the saved file:         %lld (expected %zu, %s)\n", static_cast<long long>(saved.size()),
                expected.size(), savedView == expected ? "identical" : "DIFFERENT");
    std::printf("   receiving took:                  %.1f s = %.0f readings/s, %.2f MB/s of file text\n",
                Seconds(took), static_cast<double>(readings) / Seconds(took),
                static_cast<double>(expected.size()) / Seconds(took) / 1e6);
    std::printf("   modal dialogs opened and closed: %d, %lld readings arrived while one was open\n", dialogs,
                duringDialogs);
    std::printf("   Save as took:                    %.1f s\n", Seconds(saveTook));
    std::printf("   RSS before / with the text:      %ld MB / %ld MB\n", atStart.rssKb / 1024, full.rssKb / 1024);
    if (WithStatistics()) {
        const TReadingsPanel& panel = *form_->Readings;
        EXPECT_TRUE(panel.isVisible());
        EXPECT_EQ(static_cast<long long>(panel.Batch().Readings().size()), readings);
        std::printf("   Statistics panel open:           %zu readings in the batch, %lld refreshes\n",
                    panel.Batch().Readings().size(), panel.Refreshes());
    }
    std::fflush(stdout);
}

// ---- 2. Unplug and replug ------------------------------------------------------------

class GaugeProcess {
public:
    // Starts dabrix-gauge-sim sending a reading every 20 ms; returns its COM number.
    int Start(const std::string& configFolder, const QString& log)
    {
        process_.setProgram(QStringLiteral(DABRIX_GAUGE_SIM));
        process_.setArguments({"--generate", "--interval", "20", "--baud", "57600", "--stay", "--config",
                               QString::fromStdString(configFolder), "--log", log});
        process_.start();
        if (!process_.waitForStarted(5000) || !process_.waitForReadyRead(5000))
            return 0;
        const QString line = QString::fromUtf8(process_.readLine()).trimmed();
        return line.startsWith("COM") ? line.mid(3).toInt() : 0;
    }
    // Pulls the cable: the simulator ends and removes its port.
    bool Stop()
    {
        process_.terminate();
        return process_.waitForFinished(5000) && process_.exitStatus() == QProcess::NormalExit;
    }
    ~GaugeProcess()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }

private:
    QProcess process_;
};

TEST_F(SoakTest, TwoHundredUnplugsAndReplugsLeakNothingAndSleepWhileThePortIsGone)
{
    const int cycles = static_cast<int>(EnvNumber("DABRIX_SOAK_CYCLES", 200));
    const QString log = QDir(dir_.path()).filePath("gauge-sim.log");
    const auto start = Clock::now();
    Resources first;
    Resources warm;
    Resources last;
    std::vector<double> idleShares;  // CPU share of one core while the port is gone
    int survived = 0;
    int renumbered = 0;
    long long readings = 0;
    Clock::duration plugToReading{};
    Clock::duration longestPlugToReading{};

    for (int cycle = 0; cycle < cycles; ++cycle) {
        SCOPED_TRACE("cycle " + std::to_string(cycle));
        auto gauge = std::make_unique<GaugeProcess>();
        const auto plugged = Clock::now();
        const int com = gauge->Start(ConfigFolder(), log);
        ASSERT_GT(com, 0);
        if (cycle == 0) {
            WriteGaugeSettings(9, com);
            CreateWindow();
        }
        QAction* item = WaitForComItem(com);
        ASSERT_NE(item, nullptr) << "COM" << com << " did not appear";
        if (form_->ComPortNumber != com) {
            item->trigger();
            ++renumbered;
        }
        ASSERT_TRUE(form_->act_interface_conneced->isEnabled());
        const long long before = form_->Editor->document()->blockCount();
        form_->act_interface_conneced->trigger();
        ASSERT_TRUE(WaitForLinkState(lsConnected, 5s));
        ASSERT_TRUE(WaitFor([&] { return form_->Editor->document()->blockCount() > before; }, 5s))
            << "no reading";
        const auto took = Clock::now() - plugged;
        plugToReading += took;
        longestPlugToReading = std::max(longestPlugToReading, took);

        ASSERT_TRUE(gauge->Stop());
        gauge.reset();
        ASSERT_TRUE(WaitFor([&] { return form_->act_interface_conneced->isEnabled(); }, 5s)) << "not disconnected";
        ASSERT_TRUE(WaitFor([&] { return WaitForComItem(com, 0ms) == nullptr; }, 5s)) << "COM item stays";
        EXPECT_EQ(form_->DisplayState, dsDisconnected);
        readings += form_->Editor->document()->blockCount() - before;
        ++survived;

        // While the port is gone, now and then: the program must be idle.
        if (cycle == 0 || cycle == cycles / 2 || cycle == cycles - 1) {
            IdleFor(200ms);  // the removal's own aftermath
            const double cpuBefore = ProcessCpuSeconds();
            const auto wallBefore = Clock::now();
            IdleFor(3s);
            const double share = (ProcessCpuSeconds() - cpuBefore) / Seconds(Clock::now() - wallBefore);
            idleShares.push_back(share);
            EXPECT_LT(share, 0.01) << "busy while the port is gone";
        }
        if (cycle == 0)
            first = Measure();
        if (cycle == std::min(9, cycles - 1))
            warm = Measure();  // after the caches and lazily made objects have settled
        last = Measure();
    }

    EXPECT_EQ(last.fds, warm.fds) << "file descriptors leak";
    EXPECT_EQ(last.threads, warm.threads) << "threads leak";
    EXPECT_LT(last.rssKb - warm.rssKb, 16 * 1024) << "memory grows";

    std::printf("\n== Soak 2: unplug and replug of a dabrix-gauge-sim process, %d cycles\n", cycles);
    std::printf("   cycles survived:                 %d (COM number changed in %d)\n", survived, renumbered);
    std::printf("   readings received:               %lld\n", readings);
    std::printf("   plug to first reading:           %.2f s on average, %.2f s at most\n",
                survived ? Seconds(plugToReading) / survived : 0.0, Seconds(longestPlugToReading));
    std::printf("   descriptors after 1st/10th/last: %ld / %ld / %ld\n", first.fds, warm.fds, last.fds);
    std::printf("   threads after 1st/10th/last:     %ld / %ld / %ld\n", first.threads, warm.threads, last.threads);
    std::printf("   RSS after 1st/10th/last:         %.1f / %.1f / %.1f MB\n", first.rssKb / 1024.0,
                warm.rssKb / 1024.0, last.rssKb / 1024.0);
    for (size_t i = 0; i < idleShares.size(); ++i)
        std::printf("   CPU while the port is gone (%zu): %.3f %% of one core over 3 s\n", i + 1, idleShares[i] * 100);
    std::printf("   took:                            %.0f s\n", Seconds(Clock::now() - start));
    std::fflush(stdout);
}

} // namespace
