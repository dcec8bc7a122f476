// Gauge lines from the gauge simulator (a separate process on a pseudo-terminal COM port)
// through the real main window into its editor.
//
//  1. Throughput: the simulator sends numbered readings as fast as it can (about 4 MB/s
//     offered) until the editor holds `lines` lines (default one million). Prints the
//     sustained lines/s and MB/s, the rate over the first and the last 100000 lines (an
//     editor that has grown large must not slow the insertion down), the CPU seconds per
//     MB that Dabrix spent (the simulator is another process), the longest stall of the
//     user-interface event loop, and whether every line arrived in order.
//  2. Gauge pace: 100 lines per second at 115200 baud for 10 s; the share of one core
//     Dabrix used.
// Goals: >= 1 MB/s with nothing lost and no stall over 50 ms; < 5 % of a core at pace.
//
//   dabrix_bench_e2e_window [lines]      (0: the gauge-pace part alone)
#include "app/MainForm.h"
#include "app/MainFormDialogs.h"
#include "comm/KTXComm2Item.h"
#include "platform/ProfileFile.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <unistd.h>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>

#ifndef DABRIX_GAUGE_SIM
#error "DABRIX_GAUGE_SIM must name the gauge simulator program"
#endif

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kReadingsPerItem = 250;  // one simulator item: 250 lines of 18 bytes
constexpr int kItemsPerCycle = 400;    // the file: 100000 numbered readings, sent over and over
constexpr int kUniqueReadings = kReadingsPerItem * kItemsPerCycle;
constexpr int kLineBytes = 18;         // "#0012345 12.5 um" CR LF
constexpr int kWindowLines = 100000;   // the first and last stretch measured on their own

double CpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// CPU seconds of each thread of this process by thread id, with the thread's name.
std::map<int, std::pair<std::string, double>> ThreadCpu()
{
    std::map<int, std::pair<std::string, double>> threads;
    const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
    for (const QString& tid : QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat("/proc/self/task/" + tid + "/stat");
        QFile comm("/proc/self/task/" + tid + "/comm");
        if (!stat.open(QIODevice::ReadOnly) || !comm.open(QIODevice::ReadOnly))
            continue;
        // Fields after the name in brackets: state is the 3rd, utime the 14th, stime the 15th.
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() < 13)
            continue;
        const double cpu = (fields[11].toDouble() + fields[12].toDouble()) / tick;
        threads[tid.toInt()] = {comm.readAll().trimmed().toStdString(), cpu};
    }
    return threads;
}

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Answers every question of the window with "no" and shows nothing.
class SilentDialogs : public TMainFormDialogs {
public:
    Answer Ask(QWidget*, const QString&, Buttons) override { return Answer::No; }
    void ShowMessage(QWidget*, const QString& text) override { std::fprintf(stderr, "message: %s\n", qPrintable(text)); }
    void ShowError(QWidget*, const QString& text) override { std::fprintf(stderr, "error: %s\n", qPrintable(text)); }
    QString GetOpenFileName(QWidget*, const QString&, const QString&, bool*) override { return {}; }
    QString GetSaveFileName(QWidget*, const QString&, const QString&) override { return {}; }
    int ShowModal(QDialog&) override { return 0; }
    bool OpenUrl(const QUrl&) override { return false; }
};

// Records the longest gap between the ticks of a 5 ms timer: how long the user-interface
// thread was kept from its events.
class StallMeter : public QObject {
public:
    StallMeter()
    {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(5);
        connect(&timer_, &QTimer::timeout, this, [this] {
            const qint64 now = clock_.nsecsElapsed();
            longest_ = std::max(longest_, now - last_);
            last_ = now;
        });
    }
    void Start()
    {
        clock_.start();
        last_ = 0;
        longest_ = 0;
        timer_.start();
    }
    // The longest time between two ticks beyond the 5 ms the timer waits anyway.
    double LongestStallMs() const { return std::max<double>(0.0, static_cast<double>(longest_) / 1e6 - 5.0); }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 longest_ = 0;
};

// A configuration folder of its own, the simulator started in it, and the window on it,
// connected to the simulator's port with the Manual gauge at 115200 baud.
class Rig {
public:
    bool Start(const QStringList& simArguments)
    {
        QDir root(dir_.path());
        root.mkpath("config/Dabrix");
        root.mkpath("usb");
        qputenv("XDG_CONFIG_HOME", root.filePath("config").toLocal8Bit());
        qputenv("DABRIX_USB_SIM", root.filePath("usb").toLocal8Bit());  // no USB bus to watch
        const QString config = root.filePath("config/Dabrix");

        sim_.setProgram(QStringLiteral(DABRIX_GAUGE_SIM));
        sim_.setArguments(QStringList{"--config", config, "--log", root.filePath("sim.log"), "--baud", "115200"}
                          + simArguments);
        sim_.start();
        if (!sim_.waitForStarted(5000) || !sim_.waitForReadyRead(5000)) {
            std::fprintf(stderr, "the gauge simulator did not start\n");
            return false;
        }
        const QString port = QString::fromLocal8Bit(sim_.readLine()).trimmed();
        if (!port.startsWith("COM")) {
            std::fprintf(stderr, "the gauge simulator named no port: %s\n", qPrintable(port));
            return false;
        }
        QFile ini(config + "/MSave.ini");
        ini.open(QIODevice::WriteOnly);
        ini.write(QStringLiteral("[Config]\nDevice=0\nBaud=115200\nPort=%1\n").arg(port.mid(3)).toUtf8());
        ini.close();

        profile_ = std::make_unique<dabrix::platform::ProfileFile>((config + "/MSave.ini").toStdString());
        form_ = std::make_unique<TMainForm>(*profile_, dialogs_);
        form_->show();
        QCoreApplication::processEvents();
        form_->act_interface_conneced->trigger();
        return Wait([&] { return form_->Connection->LinkState() == lsConnected; }, 10);
    }

    ~Rig()
    {
        form_.reset();
        sim_.terminate();
        sim_.waitForFinished(3000);
    }

    // Runs the event loop until `done` (checked every 10 ms) or `seconds` have passed.
    template <typename Done>
    static bool Wait(Done done, double seconds)
    {
        const auto start = Clock::now();
        while (!done()) {
            if (SecondsSince(start) > seconds)
                return false;
            QEventLoop loop;
            QTimer::singleShot(10, &loop, &QEventLoop::quit);
            loop.exec();
        }
        return true;
    }

    QTemporaryDir& Dir() { return dir_; }
    TMainForm& Form() { return *form_; }

private:
    QTemporaryDir dir_;
    QProcess sim_;
    SilentDialogs dialogs_;
    std::unique_ptr<dabrix::platform::ProfileFile> profile_;
    std::unique_ptr<TMainForm> form_;
};

// The editor's lines, counted without the empty block after the last line break.
int EditorLines(const QPlainTextEdit& editor)
{
    return editor.document()->blockCount() - 1;
}

// True when line i reads "#<i mod the cycle> 12<separator>5 µm".
bool AllLinesInOrder(const QPlainTextEdit& editor, int lines)
{
    const QString tail = QLocale::system().decimalPoint() + QStringLiteral("5 ") + QChar(0xB5) + 'm';
    QTextBlock block = editor.document()->firstBlock();
    for (int i = 0; i < lines; ++i, block = block.next()) {
        const QString expected = QStringLiteral("#%1 12").arg(i % kUniqueReadings, 7, 10, QLatin1Char('0')) + tail;
        if (block.text() != expected) {
            std::fprintf(stderr, "line %d is '%s', expected '%s'\n", i, qPrintable(block.text()), qPrintable(expected));
            return false;
        }
    }
    return true;
}

bool Throughput(int lines)
{
    Rig rig;
    // The items file: each line of it is one item of 250 readings with their own line ends.
    const QString items = QDir(rig.Dir().path()).filePath("readings.txt");
    {
        QFile file(items);
        file.open(QIODevice::WriteOnly);
        for (int item = 0; item < kItemsPerCycle; ++item) {
            QByteArray text;
            for (int r = 0; r < kReadingsPerItem; ++r)
                text += QStringLiteral("#%1 12.5 um\\r\\n")
                            .arg(item * kReadingsPerItem + r, 7, 10, QLatin1Char('0'))
                            .toLatin1();
            file.write(text + "\n");
        }
    }
    const int itemsNeeded = (lines + kReadingsPerItem - 1) / kReadingsPerItem;
    if (!rig.Start({"--lines", items, "--no-crlf", "--interval", "1", "--count", QString::number(itemsNeeded)}))
        return false;
    QPlainTextEdit& editor = *rig.Form().Editor;

    StallMeter stalls;
    stalls.Start();
    const double cpuStart = CpuSeconds();
    const auto start = Clock::now();
    double firstWindowSeconds = 0;
    double lastWindowStart = 0;
    const bool all = Rig::Wait(
        [&] {
            const int now = EditorLines(editor);
            if (firstWindowSeconds == 0 && now >= kWindowLines)
                firstWindowSeconds = SecondsSince(start);
            if (lastWindowStart == 0 && now >= lines - kWindowLines)
                lastWindowStart = SecondsSince(start);
            return now >= lines;
        },
        600);
    const double seconds = SecondsSince(start);
    const double cpu = CpuSeconds() - cpuStart;
    const double stallMs = stalls.LongestStallMs();
    const int received = EditorLines(editor);
    const double megabytes = static_cast<double>(received) * kLineBytes / 1e6;

    std::printf("throughput: %d lines in %.2f s: %.0f lines/s, %.2f MB/s\n", received, seconds, received / seconds,
                megabytes / seconds);
    if (firstWindowSeconds > 0 && lastWindowStart > 0)
        std::printf("  first %d lines: %.0f lines/s; last %d lines (editor at %d lines): %.0f lines/s\n", kWindowLines,
                    kWindowLines / firstWindowSeconds, kWindowLines, lines - kWindowLines,
                    kWindowLines / (seconds - lastWindowStart));
    std::printf("  CPU %.2f s: %.3f CPU s per MB\n", cpu, cpu / megabytes);
    std::printf("  longest event-loop stall: %.1f ms\n", stallMs);
    const bool inOrder = all && AllLinesInOrder(editor, lines);
    std::printf("  every line, in order: %s\n", inOrder ? "yes" : "NO");
    return inOrder && megabytes / seconds >= 1.0 && stallMs <= 50.0;
}

bool GaugePace()
{
    Rig rig;
    if (!rig.Start({"--generate", "--interval", "10", "--pace"}))
        return false;
    QPlainTextEdit& editor = *rig.Form().Editor;
    Rig::Wait([&] { return EditorLines(editor) >= 10; }, 5);  // settled
    const int before = EditorLines(editor);
    const auto threadsBefore = ThreadCpu();
    const double cpuStart = CpuSeconds();
    const auto start = Clock::now();
    Rig::Wait([] { return false; }, 10);
    const double seconds = SecondsSince(start);
    const double share = (CpuSeconds() - cpuStart) / seconds * 100.0;
    const int received = EditorLines(editor) - before;
    std::printf("gauge pace: %d lines in %.1f s (%.0f lines/s), CPU %.2f %% of one core\n", received, seconds,
                received / seconds, share);
    for (const auto& [tid, thread] : ThreadCpu()) {
        const auto was = threadsBefore.find(tid);
        const double used = thread.second - (was == threadsBefore.end() ? 0.0 : was->second.second);
        if (used > 0)
            std::printf("  thread %d (%s): %.2f %%\n", tid, thread.first.c_str(), used / seconds * 100.0);
    }
    return share < 5.0 && received > 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // 0 lines: the gauge-pace part alone.
    const int lines = argc > 1 ? std::atoi(argv[1]) : 1000000;
    QApplication app(argc, argv);
    const bool fast = lines == 0 || Throughput(std::max(2 * kWindowLines, lines));
    const bool light = GaugePace();
    std::printf("goals %s\n", fast && light ? "met" : "NOT met");
    return fast && light ? 0 : 1;
}
