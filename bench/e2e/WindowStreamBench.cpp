// Gauge lines from the gauge simulator (a separate process on a pseudo-terminal COM port)
// through the real main window into its editor.
//
//  1. Streaming: one stream of numbered readings in three stretches:
//       - 200000 lines as fast as the simulator sends (about 4 MB/s offered): the rate
//         into an empty editor;
//       - `lines` lines (default one million) at about 1.4 MB/s, a fast gauge: the rate
//         sustained, the CPU seconds per MB that Dabrix spent (the simulator is another
//         process) and the longest stall of the user-interface event loop;
//       - 200000 lines as fast as the simulator sends: the rate into an editor that holds
//         over a million lines, which must not be noticeably lower than the first.
//     Then every line is checked: all there, in order.
//  2. Gauge pace: 100 lines per second for 10 s, each line written at once, then with its
//     bytes timed at 115200 baud; the share of one core Dabrix used, by thread.
// Goals: >= 1 MB/s sustained with nothing lost and no stall over 50 ms; < 5 % of a core
// at the gauge's pace.
//
// With --statistics the Statistics panel is open throughout (with tolerance limits), as a
// user would watch it: the same goals hold, and every reading must be in its batch.
//
//   dabrix_bench_e2e_window [lines] [--statistics]   (0 lines: the gauge-pace part alone)
#include "app/MainForm.h"
#include "app/MainFormDialogs.h"
#include "app/ReadingsPanel.h"
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
#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>

#ifndef DABRIX_GAUGE_SIM
#error "DABRIX_GAUGE_SIM must name the gauge simulator program"
#endif

namespace {

using Clock = std::chrono::steady_clock;

// The simulator sends one item per millisecond at the most; an item is a run of readings
// of 18 bytes each ("#0012345 12.5 um" CR LF).
constexpr int kFastItem = 250;       // about 4.5 MB/s offered
constexpr int kGaugeItem = 80;       // about 1.4 MB/s
constexpr int kFastLines = 200000;   // each of the two fast stretches
constexpr int kLineBytes = 18;
constexpr int kSettleLines = 50000;  // left out at the start of each stretch measured

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
    // With the Statistics panel open when `statistics` is set.
    static inline bool statistics = false;

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
        if (statistics) {
            QFile panel(config + "/Statistics.ini");
            panel.open(QIODevice::WriteOnly);
            panel.write("[Statistics]\nVisible=1\nLowerLimit=12\nUpperLimit=13\n");
        }

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

// True when line i reads "#<i> 12<separator>5 µm" for every line.
bool AllLinesInOrder(const QPlainTextEdit& editor, int lines)
{
    const QString tail = QLocale::system().decimalPoint() + QStringLiteral("5 ") + QChar(0xB5) + 'm';
    QTextBlock block = editor.document()->firstBlock();
    for (int i = 0; i < lines; ++i, block = block.next()) {
        const QString expected = QStringLiteral("#%1 12").arg(i, 7, 10, QLatin1Char('0')) + tail;
        if (block.text() != expected) {
            std::fprintf(stderr, "line %d is '%s', expected '%s'\n", i, qPrintable(block.text()), qPrintable(expected));
            return false;
        }
    }
    return EditorLines(editor) == lines;
}

// Writes the simulator's items: the fast stretch, the gauge stretch, the fast stretch.
// Each file line is one item with its own line ends.
int WriteItems(const QString& path, int gaugeLines)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    int reading = 0;
    int items = 0;
    auto stretch = [&](int lines, int perItem) {
        for (int end = reading + lines; reading < end; ++items) {
            QByteArray text;
            for (int r = 0; r < perItem && reading < end; ++r, ++reading)
                text += QStringLiteral("#%1 12.5 um\\r\\n").arg(reading, 7, 10, QLatin1Char('0')).toLatin1();
            file.write(text + "\n");
        }
    };
    stretch(kFastLines, kFastItem);
    stretch(gaugeLines, kGaugeItem);
    stretch(kFastLines, kFastItem);
    return items;
}

// Time and CPU when the editor first held a number of lines.
struct Mark {
    int lines;
    double seconds = -1;
    double cpu = 0;
};

bool Streaming(int gaugeLines)
{
    Rig rig;
    const QString items = QDir(rig.Dir().path()).filePath("readings.txt");
    const int itemCount = WriteItems(items, gaugeLines);
    const int total = 2 * kFastLines + gaugeLines;
    if (!rig.Start({"--lines", items, "--no-crlf", "--interval", "1", "--count", QString::number(itemCount)}))
        return false;
    QPlainTextEdit& editor = *rig.Form().Editor;

    Mark marks[] = {{kSettleLines}, {kFastLines}, {kFastLines + kSettleLines}, {kFastLines + gaugeLines},
                    {kFastLines + gaugeLines + kSettleLines}, {total}};
    StallMeter stalls;
    double gaugeStall = 0;
    const auto start = Clock::now();
    const bool all = Rig::Wait(
        [&] {
            const int now = EditorLines(editor);
            for (Mark& m : marks) {
                if (m.seconds < 0 && now >= m.lines) {
                    m.seconds = SecondsSince(start);
                    m.cpu = CpuSeconds();
                    if (&m == &marks[2])
                        stalls.Start();
                    if (&m == &marks[3])
                        gaugeStall = stalls.LongestStallMs();
                }
            }
            return now >= total;
        },
        900);
    if (!all) {
        std::printf("streaming: only %d of %d lines arrived\n", EditorLines(editor), total);
        return false;
    }
    auto rate = [&](const Mark& from, const Mark& to) {
        return (to.lines - from.lines) / (to.seconds - from.seconds);
    };
    const double emptyRate = rate(marks[0], marks[1]);
    const double gaugeRate = rate(marks[2], marks[3]);
    const double fullRate = rate(marks[4], marks[5]);
    const double gaugeMB = (marks[3].lines - marks[2].lines) * kLineBytes / 1e6;
    const double cpuPerMB = (marks[3].cpu - marks[2].cpu) / gaugeMB;
    const bool inOrder = AllLinesInOrder(editor, total);

    std::printf("streaming, %d lines in all:\n", total);
    std::printf("  fast, into an empty editor:      %.0f lines/s, %.2f MB/s\n", emptyRate,
                emptyRate * kLineBytes / 1e6);
    std::printf("  fast gauge, sustained:           %.0f lines/s, %.2f MB/s over %d lines\n", gaugeRate,
                gaugeRate * kLineBytes / 1e6, marks[3].lines - marks[2].lines);
    std::printf("    CPU %.3f s per MB; longest event-loop stall %.1f ms\n", cpuPerMB, gaugeStall);
    std::printf("  fast, into an editor of %d lines: %.0f lines/s, %.2f MB/s\n", marks[4].lines, fullRate,
                fullRate * kLineBytes / 1e6);
    std::printf("  every line, in order: %s\n", inOrder ? "yes" : "NO");
    bool counted = true;
    if (Rig::statistics) {
        const TReadingsPanel& panel = *rig.Form().Readings;
        const size_t readings = panel.Batch().Readings().size();
        counted = readings == static_cast<size_t>(total) && panel.isVisible();
        std::printf("  Statistics panel open: %zu readings in the batch, %lld refreshes in %.0f s\n", readings,
                    panel.Refreshes(), marks[5].seconds);
    }
    return inOrder && counted && gaugeRate * kLineBytes / 1e6 >= 1.0 && gaugeStall <= 50.0;
}

// 100 lines per second for 10 s; returns the share of one core Dabrix used (percent).
double GaugePace(const char* what, const QStringList& simArguments)
{
    Rig rig;
    if (!rig.Start(QStringList{"--generate", "--interval", "10"} + simArguments))
        return 100.0;
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
    std::printf("gauge pace, %s: %d lines in %.1f s, CPU %.2f %% of one core\n", what, received, seconds, share);
    for (const auto& [tid, thread] : ThreadCpu()) {
        const auto was = threadsBefore.find(tid);
        const double used = thread.second - (was == threadsBefore.end() ? 0.0 : was->second.second);
        if (used > 0)
            std::printf("  thread %d (%s): %.2f %%\n", tid, thread.first.c_str(), used / seconds * 100.0);
    }
    return received > 0 ? share : 100.0;
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // 0 lines: the gauge-pace part alone.
    int lines = 1000000;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--statistics")
            Rig::statistics = true;
        else
            lines = std::atoi(argv[i]);
    }
    QApplication app(argc, argv);
    std::printf("Statistics panel %s\n", Rig::statistics ? "open" : "hidden");
    const bool fast = lines == 0 || Streaming(std::max(2 * kSettleLines, lines));
    // Each line written at once, and each byte written in its own time at 115200 baud
    // (a pseudo-terminal then hands over nearly every byte on its own, more often than
    // the FIFO of a real port would).
    GaugePace("whole lines", {});
    const bool light = GaugePace("bytes timed at 115200 baud", {"--pace"}) < 5.0;
    std::printf("goals %s\n", fast && light ? "met" : "NOT met");
    return fast && light ? 0 : 1;
}
