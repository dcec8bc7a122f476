// A plain start on a machine with libudev but no udev daemon (as in a container): no
// simulated bus, no bridge library, the USB bus read from a umockdev testbed. The window
// comes up without any message box, and a USB serial adapter plugged in afterwards is
// listed with its COM port, in the window's own process and in the real program.
#include "app/tests/MainFormFixture.h"
#include "app/tests/ProgramEnvironment.h"
#include "comm/KTXComm2Item.h"
#include "manager/KTXComm2Manager.h"
#include "platform/UserMessage.h"
#include "tests/support/EventLoop.h"
#include "tests/support/UsbTestbed.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <mutex>
#include <unistd.h>

using namespace std::chrono_literals;
using dabrix::test::FtdiAdapter;
using dabrix::test::UsbTestbed;
using dabrix::test::WaitFor;

namespace {

bool DaemonRuns()
{
    return ::access("/run/udev/control", F_OK) == 0;
}

class PlainStartTest : public MainFormTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(UsbTestbed::Preloaded()) << "run under umockdev-wrapper";
        MainFormTest::SetUp();
        env_.Unset("DABRIX_USB_SIM");
        env_.Set("DABRIX_D2XX_LIBRARY", QDir(dir_.path()).filePath("no-libftd2xx.so").toStdString());
        ASSERT_TRUE(testbed_.Add(dabrix::test::RootHubAndHubDescription()));
        // Every box raised below the window: the library's error box, reported errors.
        dabrix::platform::SetUserMessageHook([this](dabrix::platform::UserMessageKind, const QString& text) {
            std::lock_guard lock(boxesLock_);
            boxes_.push_back(text);
        });
    }
    void TearDown() override
    {
        MainFormTest::TearDown();
        dabrix::platform::SetUserMessageHook(nullptr);
    }
    QStringList Boxes()
    {
        std::lock_guard lock(boxesLock_);
        return boxes_;
    }
    const TDevice* Com(int number) const
    {
        for (const TDevice& d : form_->KTXComm2Manager1->ComDevices())
            if (d.PortNumber == number)
                return &d;
        return nullptr;
    }

    UsbTestbed testbed_;
    std::mutex boxesLock_;
    QStringList boxes_;
};

TEST_F(PlainStartTest, TheWindowComesUpWithoutABoxAndListsAnAdapterPluggedInLater)
{
    Create();
    Show();
    dabrix::test::RunEventsFor(200ms);
    EXPECT_TRUE(form_->isVisible());
    EXPECT_TRUE(Boxes().isEmpty()) << Boxes().join(" | ").toStdString();
    TKTXComm2Manager* manager = form_->KTXComm2Manager1.get();
    ASSERT_EQ(manager->USBMode(), umAutoDiscovery);
    EXPECT_TRUE(manager->USBMonitor()->Monitoring());
    EXPECT_EQ(manager->USBDevices().size(), 2u);

    const FtdiAdapter adapter;
    ASSERT_TRUE(testbed_.Plug(adapter));
    ASSERT_TRUE(WaitFor([&] { return Com(3) && Com(3)->Description == "FT232R USB UART"; }, 10s));
    bool listed = false;
    for (const TDevice& d : manager->USBDevices())
        listed = listed || (d.Address == "COM3" && d.Description == "FT232R USB UART");
    EXPECT_TRUE(listed);
    EXPECT_TRUE(Boxes().isEmpty()) << Boxes().join(" | ").toStdString();
}

// The real program, started as a user would: its log says how it watches the bus, it
// keeps running, and it numbers an adapter plugged in after its start.
TEST(PlainStartProgramTest, TheProgramRunsAndNumbersAnAdapterPluggedInLater)
{
    ASSERT_TRUE(UsbTestbed::Preloaded()) << "run under umockdev-wrapper";
    UsbTestbed testbed;  // the program inherits the preload and the testbed's location
    ASSERT_TRUE(testbed.Add(dabrix::test::RootHubAndHubDescription()));
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QDir root(dir.path());
    QProcessEnvironment env = ProgramEnvironment(root);
    ASSERT_FALSE(env.isEmpty());
    env.remove("DABRIX_USB_SIM");
    env.insert("DABRIX_D2XX_LIBRARY", root.filePath("no-libftd2xx.so"));

    QProcess program;
    program.setProcessEnvironment(env);
    program.setProgram(QStringLiteral(DABRIX_PROGRAM));
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start();
    ASSERT_TRUE(program.waitForStarted(5000));
    QByteArray log;
    const QByteArray expected = DaemonRuns() ? "USB devices are watched through the udev daemon's events"
                                             : "USB devices are watched by reading sysfs every 1000 ms";
    EXPECT_TRUE(WaitFor(
        [&] {
            log += program.readAll();
            return log.contains(expected);
        },
        15s))
        << log.toStdString();

    const FtdiAdapter adapter;
    ASSERT_TRUE(testbed.Plug(adapter));
    const QString map = root.filePath("config/Dabrix/ComPorts.ini");
    const QByteArray line = "COM3=/dev/serial/by-id/" + QByteArray::fromStdString(adapter.ByIdName());
    EXPECT_TRUE(WaitFor(
        [&] {
            QFile file(map);
            return file.open(QIODevice::ReadOnly) && file.readAll().contains(line);
        },
        15s))
        << "ComPorts.ini has no " << line.toStdString();
    EXPECT_EQ(program.state(), QProcess::Running) << log.toStdString();
    log += program.readAll();
    EXPECT_EQ(log.count("USB devices are watched"), 1) << "said once: " << log.toStdString();
    program.kill();
    program.waitForFinished(5000);
}

} // namespace
