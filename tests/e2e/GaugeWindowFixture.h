#pragma once
// The real main window, on a configuration folder of its own, against the gauge simulator
// running on its own thread: the simulator registers its pseudo-terminal in the folder's
// ComPorts.ini, where the window's serial discovery finds it as a COM port.
#include "app/tests/MainFormFixture.h"
#include "tools/gauge_sim/GaugeSimulator.h"

#include <QString>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class QAction;

class GaugeWindowTest : public MainFormTest {
protected:
    void TearDown() override;

    // <XDG_CONFIG_HOME>/Dabrix: MSave.ini and ComPorts.ini.
    std::string ConfigFolder() const;

    // A simulator that sends `lines` (each followed by CR LF) every `intervalMs`, over
    // and over, at `baud`; it keeps running until the test ends.
    dabrix::tools::SimOptions LineGauge(const std::vector<std::string>& lines, int intervalMs, int baud) const;
    // A simulator that sends nothing by itself.
    dabrix::tools::SimOptions SilentGauge(int baud) const;
    // Opens the simulator and runs it; returns its COM number.
    int StartSim(const dabrix::tools::SimOptions& options);
    // Stops the simulator and removes its COM port, as when a cable is pulled.
    void UnplugSim();

    // Settings for the window's first start: the gauge's Tag and the COM port number.
    void WriteGaugeSettings(int gaugeTag, int comPort);
    // Waits for the COM item of that number to appear in the Port menu.
    QAction* WaitForComItem(int number, std::chrono::milliseconds timeout = std::chrono::seconds(5));
    QAction* GaugeItem(int tag) const;

    // The editor's lines (without the empty one after a final line break).
    QStringList EditorLines() const;
    // Waits until the editor holds at least `count` lines.
    bool WaitForLines(int count, std::chrono::milliseconds timeout = std::chrono::seconds(8));
    bool WaitForLinkState(int state, std::chrono::milliseconds timeout = std::chrono::seconds(5));

    std::unique_ptr<dabrix::tools::GaugeSimulator> sim_;
    std::thread simThread_;
    int com_ = 0;
};
