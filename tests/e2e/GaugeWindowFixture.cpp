#include "tests/e2e/GaugeWindowFixture.h"

#include "comm/KTXComm2Item.h"
#include "tests/support/EventLoop.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QPlainTextEdit>

using dabrix::tools::GaugeSimulator;
using dabrix::tools::SimOptions;
using dabrix::tools::SimSource;

void GaugeWindowTest::TearDown()
{
    MainFormTest::TearDown();  // the window goes first: it closes its link
    if (sim_)
        sim_->Stop();
    if (simThread_.joinable())
        simThread_.join();
    sim_.reset();
}

std::string GaugeWindowTest::ConfigFolder() const
{
    return QDir(dir_.path()).filePath("config/Dabrix").toStdString();
}

SimOptions GaugeWindowTest::LineGauge(const std::vector<std::string>& lines, int intervalMs, int baud) const
{
    SimOptions o = SilentGauge(baud);
    o.source = SimSource::Lines;
    for (const std::string& line : lines)
        o.items.emplace_back(line.begin(), line.end());
    o.count = 1'000'000;  // the lines repeat
    o.intervalMs = intervalMs;
    return o;
}

SimOptions GaugeWindowTest::SilentGauge(int baud) const
{
    SimOptions o;
    o.configFolder = ConfigFolder();
    o.logFile = QDir(dir_.path()).filePath("gauge-sim.log").toStdString();
    o.baud = baud;
    o.stay = true;
    return o;
}

int GaugeWindowTest::StartSim(const SimOptions& options)
{
    sim_ = std::make_unique<GaugeSimulator>(options);
    com_ = sim_->Open();
    EXPECT_GT(com_, 0) << sim_->ErrorText();
    if (com_ > 0)
        simThread_ = std::thread([this] { sim_->Run(); });
    return com_;
}

void GaugeWindowTest::UnplugSim()
{
    sim_->Stop();
    if (simThread_.joinable())
        simThread_.join();
    sim_->Close();
}

void GaugeWindowTest::WriteGaugeSettings(int gaugeTag, int comPort)
{
    WriteIni("[Config]\nDevice=" + std::to_string(gaugeTag) + "\nPort=" + std::to_string(comPort) + "\n");
}

QAction* GaugeWindowTest::WaitForComItem(int number, std::chrono::milliseconds timeout)
{
    QAction* found = nullptr;
    dabrix::test::WaitFor(
        [&] {
            for (QAction* item : form_->ComPortItems())
                if (TagOf(item) == number)
                    found = item;
            return found != nullptr;
        },
        timeout);
    return found;
}

QAction* GaugeWindowTest::GaugeItem(int tag) const
{
    for (QAction* item : form_->menuitem_Device->actions())
        if (!item->isSeparator() && TagOf(item) == tag)
            return item;
    return nullptr;
}

QStringList GaugeWindowTest::EditorLines() const
{
    QStringList lines = form_->Editor->toPlainText().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

bool GaugeWindowTest::WaitForLines(int count, std::chrono::milliseconds timeout)
{
    return dabrix::test::WaitFor([&] { return EditorLines().size() >= count; }, timeout);
}

bool GaugeWindowTest::WaitForLinkState(int state, std::chrono::milliseconds timeout)
{
    return dabrix::test::WaitFor([&] { return form_->Connection->LinkState() == state; }, timeout);
}
