// The serial discovery against the real gauge simulator program: its port is listed
// with its COM number and name, and reported lost soon after the simulator ends.
#include "manager/KTXComm2Manager.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/EventLoop.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace std::chrono_literals;
using dabrix::test::WaitFor;

TEST(SimulatorPort, ListedWithItsNumberAndNameAndLostAfterTheSimulatorEnds)
{
    QTemporaryDir config;
    setenv("XDG_CONFIG_HOME", config.path().toUtf8().constData(), 1);
    dabrix::test::ChildProcess sim;
    ASSERT_TRUE(sim.Start(DABRIX_GAUGE_SIM, {"--generate", "--interval", "200", "--stay", "--config",
                                             config.filePath("Dabrix").toStdString()}));
    const QString com = QString::fromStdString(sim.ReadLine()).trimmed();
    ASSERT_TRUE(com.startsWith("COM")) << com.toStdString();
    const int number = com.mid(3).toInt();

    TKTXComm2Manager manager(nullptr);
    std::vector<std::pair<std::string, std::chrono::steady_clock::time_point>> lost;
    manager.OnDeviceLost = [&](TObject*, TPort, const TDevice& d) {
        lost.emplace_back(d.Info, std::chrono::steady_clock::now());
    };
    manager.SetSerialMode(smAutoDiscovery);

    const TDevice* entry = nullptr;
    for (const TDevice& d : manager.ComDevices())
        if (d.PortNumber == number)
            entry = &d;
    ASSERT_NE(entry, nullptr) << "simulator port not listed";
    EXPECT_EQ(entry->Info, com.toStdString());
    EXPECT_EQ(entry->Name, "Communications Port (" + com.toStdString() + ")");

    sim.Terminate();
    ASSERT_TRUE(sim.Wait());
    const auto ended = std::chrono::steady_clock::now();
    ASSERT_TRUE(WaitFor([&] { return !lost.empty(); }, 5s));
    EXPECT_EQ(lost[0].first, com.toStdString());
    const auto after = std::chrono::duration_cast<std::chrono::milliseconds>(lost[0].second - ended);
    EXPECT_LT(after, 2000ms) << after.count() << " ms";
    std::printf("simulator port %s lost %lld ms after the simulator ended\n", com.toLatin1().constData(),
                static_cast<long long>(after.count()));
}
