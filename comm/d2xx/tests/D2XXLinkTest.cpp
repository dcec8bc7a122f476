// The USB link the connection item opens: set-up sequence, serial-number cut, failed
// opens, writing, control lines, latency and closing. Every case runs against the
// simulated library and against Dabrix's libftdi1 provider; what only the simulated
// library can show (the FT_* calls in order, failures on request) is checked there alone.
#include "comm/d2xx/D2XXEvent.h"
#include "comm/d2xx/D2XXLink.h"
#include "comm/d2xx/D2XXUnit.h"
#include "comm/d2xx/tests/D2XXSimFixture.h"
#include "tests/support/EventLoop.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace d2xx = dabrix::comm::d2xx;
using dabrix::comm::D2XXEvent;
using dabrix::comm::D2XXLine;
using dabrix::comm::D2XXLink;
using dabrix::comm::D2XXLinkSettings;
using dabrix::test::CallCount;
using dabrix::test::ChunkCollector;
using dabrix::test::kBridgeId;
using dabrix::test::Pattern;
using dabrix::test::WaitFor;
using namespace std::chrono_literals;

namespace {

const std::string kSerial = "FTGAUGE1";

class D2XXLinkTest : public dabrix::test::D2XXLibraryTest {
protected:
    void SetUp() override
    {
        D2XXLibraryTest::SetUp();
        ASSERT_EQ(Sim().AddDevice(kSerial, "USB Gauge", kBridgeId), 0);
        settings_.BaudRate = 9600;
        settings_.USBLatency = 10;
        settings_.ReceiveTimeout = 10;
    }
    void TearDown() override
    {
        link_.Close();
        D2XXLibraryTest::TearDown();
    }
    FT_STATUS Open(const std::string& serial = kSerial)
    {
        return link_.Open(serial, settings_, &event_, collector_.Receiver());
    }

    D2XXLinkSettings settings_;
    D2XXEvent event_;
    ChunkCollector collector_;
    D2XXLink link_;
};

// Splits the simulated library's call log.
QStringList CallList(const std::string& calls)
{
    return QString::fromStdString(calls).split(',', Qt::SkipEmptyParts);
}

TEST_P(D2XXLinkTest, OpenSetsTheDeviceUpInOrderAndCloseUndoesIt)
{
    settings_.USBLatency = 16;
    settings_.ReceiveTimeout = 25;
    settings_.ShowErrors = true;
    ASSERT_EQ(Open(), FT_OK);
    EXPECT_TRUE(link_.IsOpen());
    EXPECT_GT(link_.Handle(), 0);
    EXPECT_TRUE(d2xx::ShowErrors());

    const auto s = Sim().Settings(kSerial);
    EXPECT_EQ(s.Open, 1);
    EXPECT_EQ(s.ResetCount, 1u);
    EXPECT_EQ(s.Latency, 16u);
    EXPECT_EQ(s.UsbIn, 64u);
    EXPECT_EQ(s.UsbOut, 64u);
    EXPECT_EQ(s.BaudRate, 9600u);
    EXPECT_EQ(s.WordLength, 8u);
    EXPECT_EQ(s.StopBits, 0u);
    EXPECT_EQ(s.Parity, 0u);
    if (Sim().SeesTheCalls()) {
        EXPECT_EQ(CallList(Sim().Calls()),
                  QStringList({"FT_OpenEx", "FT_SetEventNotification", "FT_ResetDevice",
                               "FT_SetLatencyTimer", "FT_SetUSBParameters", "FT_SetBaudRate",
                               "FT_SetDataCharacteristics", "FT_SetTimeouts"}));
        EXPECT_EQ(s.EventMask, 1u);
        EXPECT_EQ(s.EventSet, 1);
        EXPECT_EQ(s.ReadTimeout, 25u);
        EXPECT_EQ(s.WriteTimeout, 25u);
    }

    const std::size_t setupCalls = Sim().SeesTheCalls() ? CallList(Sim().Calls()).size() : 0;
    EXPECT_TRUE(link_.Close());
    if (Sim().SeesTheCalls()) {
        EXPECT_EQ(CallList(Sim().Calls()).mid(static_cast<int>(setupCalls)),
                  QStringList({"FT_SetEventNotification", "FT_Close"}));
        EXPECT_EQ(Sim().Settings(kSerial).EventSet, 0);
    }
    EXPECT_FALSE(link_.IsOpen());
    EXPECT_EQ(link_.Handle(), D2XXLink::kClosedHandle);
    EXPECT_EQ(Sim().Settings(kSerial).Open, 0);
    EXPECT_FALSE(link_.Close()) << "nothing left to close";
    EXPECT_TRUE(Boxes().isEmpty());
}

TEST_P(D2XXLinkTest, ReceivedBytesReachTheReceiverAndItMayReplyFromItsThread)
{
    // An echoing receiver writes on the receive thread while the owner writes too.
    ASSERT_EQ(link_.Open(kSerial, settings_, &event_,
                         [this](const uint8_t* data, int count) {
                             collector_.Receiver()(data, count);
                             link_.Write(data, static_cast<uint32_t>(count));
                         }),
              FT_OK);
    const auto bytes = Pattern(300);
    ASSERT_EQ(Sim().GaugeSend(kSerial, bytes), 0);
    ASSERT_TRUE(WaitFor([&] { return collector_.Total() >= 300; }, 5s));
    EXPECT_EQ(collector_.Sizes(), std::vector<int>({255, 45}));
    EXPECT_EQ(collector_.All(), bytes);
    EXPECT_EQ(Sim().GaugeReceived(kSerial), bytes);
}

TEST_P(D2XXLinkTest, SerialNumberIsCutToFortyNineCharacters)
{
    const std::string long49(49, 'S');
    const struct {
        std::string asked;
        std::string sent;
    } cases[] = {
        {"SHORT", "SHORT"},
        {long49, long49},
        {long49 + "X", long49},
        {std::string(80, 'S'), long49},
    };
    for (const auto& c : cases) {
        if (!Sim().SeesTheCalls())
            break;
        SCOPED_TRACE(c.asked.size());
        link_.Open(c.asked, settings_, &event_, nullptr);
        EXPECT_EQ(Sim().LastOpenSerial(), c.sent);
        link_.Close();
    }
    // The cut name opens the device whose serial number is its first 49 characters.
    ASSERT_EQ(Sim().AddDevice(long49, "Long", kBridgeId), 0);
    EXPECT_EQ(Open(long49 + "TAIL"), FT_OK);
    EXPECT_TRUE(link_.IsOpen());
}

TEST_P(D2XXLinkTest, FailedOpenLeavesTheLinkClosed)
{
    ASSERT_EQ(Sim().AddDevice("BUSY", "Gauge", kBridgeId, /*inUse=*/true), 0);
    const struct {
        std::string serial;
        bool show;
        FT_STATUS status;
        const char* box;
    } cases[] = {
        {"NOPE", false, FT_DEVICE_NOT_FOUND, nullptr},
        {"NOPE", true, FT_DEVICE_NOT_FOUND, "Open_USB_Device_By_Serial_Number - Device not found..."},
        {"BUSY", true, FT_DEVICE_NOT_OPENED, "Open_USB_Device_By_Serial_Number - Device not opened..."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.serial + (c.show ? " shown" : " quiet"));
        settings_.ShowErrors = c.show;
        const int before = static_cast<int>(Boxes().size());
        EXPECT_EQ(Open(c.serial), c.status);
        EXPECT_FALSE(link_.IsOpen());
        EXPECT_EQ(link_.Handle(), D2XXLink::kClosedHandle);
        EXPECT_FALSE(link_.Close());
        if (c.box)
            EXPECT_EQ(Boxes().mid(before), QStringList{c.box});
        else
            EXPECT_TRUE(Boxes().mid(before).isEmpty());
    }
    // Nothing beyond the attempts reached the library: no set-up, no close.
    if (Sim().SeesTheCalls())
        EXPECT_EQ(CallList(Sim().Calls()), QStringList({"FT_OpenEx", "FT_OpenEx", "FT_OpenEx"}));
}

TEST_P(D2XXLinkTest, WriteReportsFailuresAndShowsTheBoxOnlyWhenAsked)
{
    ASSERT_EQ(Open(), FT_OK);
    const std::vector<uint8_t> bytes = {'E', 'N', 'Q', 5};
    EXPECT_EQ(link_.Write(bytes.data(), 4), FT_OK);
    EXPECT_EQ(Sim().GaugeReceived(kSerial), bytes);

    for (bool show : {false, true}) {
        if (!Sim().SeesTheCalls())
            break;
        SCOPED_TRACE(show);
        d2xx::SetShowErrors(show);
        Sim().Fail("FT_Write", FT_FAILED_TO_WRITE_DEVICE, 1);
        const int before = static_cast<int>(Boxes().size());
        EXPECT_EQ(link_.Write(bytes.data(), 4), FT_FAILED_TO_WRITE_DEVICE);
        if (show)
            EXPECT_EQ(Boxes().mid(before), QStringList{"FT_Write - Failed to write..."});
        else
            EXPECT_TRUE(Boxes().mid(before).isEmpty());
    }

    // A write that ran out of time part-way is a failed send, not a success.
    if (Sim().SeesTheCalls()) {
        Sim().SetWriteLimit(2);
        EXPECT_EQ(link_.Write(bytes.data(), 4), FT_FAILED_TO_WRITE_DEVICE);
    }

    link_.Close();
    const std::size_t received = Sim().GaugeReceived(kSerial).size();
    EXPECT_EQ(link_.Write(bytes.data(), 4), FT_INVALID_HANDLE);
    EXPECT_EQ(Sim().GaugeReceived(kSerial).size(), received) << "nothing is written once closed";
}

TEST_P(D2XXLinkTest, ControlLinesMapToTheirCalls)
{
    ASSERT_EQ(Open(), FT_OK);
    // State true: break on, DTR and RTS off.
    const struct {
        D2XXLine line;
        bool state;
        const char* call;
        const char* recorded;
    } cases[] = {
        {D2XXLine::Break, true, "FT_SetBreakOn", "BREAK=1"},
        {D2XXLine::Break, false, "FT_SetBreakOff", "BREAK=0"},
        {D2XXLine::DTR, true, "FT_ClrDtr", "DTR=0"},
        {D2XXLine::DTR, false, "FT_SetDtr", "DTR=1"},
        {D2XXLine::RTS, true, "FT_ClrRts", "RTS=0"},
        {D2XXLine::RTS, false, "FT_SetRts", "RTS=1"},
    };
    QStringList recorded;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.call);
        const QStringList before = Sim().SeesTheCalls() ? CallList(Sim().Calls()) : QStringList();
        EXPECT_EQ(link_.SetControlLine(c.line, c.state), FT_OK);
        if (Sim().SeesTheCalls())
            EXPECT_EQ(CallList(Sim().Calls()).mid(before.size()), QStringList{c.call});
        recorded.append(c.recorded);
        EXPECT_EQ(QString::fromStdString(Sim().Lines(kSerial)), recorded.join(','));
    }
    link_.Close();
    EXPECT_EQ(link_.SetControlLine(D2XXLine::DTR, true), FT_INVALID_HANDLE);
}

TEST_P(D2XXLinkTest, LatencyAppliesToTheOpenLinkQuietly)
{
    settings_.ShowErrors = true;
    ASSERT_EQ(Open(), FT_OK);
    link_.ApplyLatency(2);
    EXPECT_EQ(Sim().Settings(kSerial).Latency, 2u);
    link_.ApplyLatency(1000);  // one byte: larger values count as 255
    EXPECT_EQ(Sim().Settings(kSerial).Latency, 255u);
    if (!Sim().SeesTheCalls())
        return;

    Sim().Fail("FT_SetLatencyTimer", FT_IO_ERROR, 1);
    link_.ApplyLatency(5);
    EXPECT_TRUE(Boxes().isEmpty());

    link_.Close();
    const int calls = CallCount(Sim().Calls(), "FT_SetLatencyTimer");
    link_.ApplyLatency(7);
    EXPECT_EQ(CallCount(Sim().Calls(), "FT_SetLatencyTimer"), calls);
}

TEST_P(D2XXLinkTest, OpeningAgainClosesTheEarlierHandleFirst)
{
    ASSERT_EQ(Open(), FT_OK);
    const int32_t first = link_.Handle();
    ASSERT_EQ(Open(), FT_OK) << "the device was still held by the first open";
    EXPECT_NE(link_.Handle(), first);
    if (Sim().SeesTheCalls())
        EXPECT_EQ(CallCount(Sim().Calls(), "FT_Close"), 1);
    ASSERT_EQ(Sim().GaugeSend(kSerial, Pattern(10)), 0);
    ASSERT_TRUE(WaitFor([&] { return collector_.Total() >= 10; }, 5s));
    EXPECT_EQ(collector_.Total(), 10u);
}

TEST_P(D2XXLinkTest, WithoutAnEventTheLinkStillReceives)
{
    ASSERT_EQ(link_.Open(kSerial, settings_, nullptr, collector_.Receiver()), FT_OK);
    ASSERT_EQ(Sim().GaugeSend(kSerial, Pattern(12)), 0);
    ASSERT_TRUE(WaitFor([&] { return collector_.Total() >= 12; }, 5s));
    EXPECT_EQ(collector_.All(), Pattern(12));
    link_.Close();
    if (Sim().SeesTheCalls())
        EXPECT_EQ(CallCount(Sim().Calls(), "FT_SetEventNotification"), 0);
}

TEST_P(D2XXLinkTest, UnloadWaitsForTheOpenLink)
{
    ASSERT_EQ(Open(), FT_OK);
    UnloadD2XX();
    EXPECT_FALSE(d2xx::Loaded());

    // The open link keeps working ...
    ASSERT_EQ(Sim().GaugeSend(kSerial, Pattern(5)), 0);
    ASSERT_TRUE(WaitFor([&] { return collector_.Total() >= 5; }, 5s));
    const uint8_t reply[] = {6};
    EXPECT_EQ(link_.Write(reply, 1), FT_OK);
    // ... while nothing new opens or lists.
    FT_HANDLE other = nullptr;
    EXPECT_EQ(d2xx::OpenBySerialNumber(kSerial, &other), FT_INVALID_HANDLE);
    EXPECT_EQ(d2xx::CreateDeviceInfoList(), FT_INVALID_HANDLE);

    EXPECT_TRUE(link_.Close());
    EXPECT_EQ(Sim().Settings(kSerial).Open, 0) << "the close reached the library";
    EXPECT_FALSE(d2xx::IsBound("FT_Close")) << "the last close finished the unload";

    // Loading again works as before.
    EXPECT_TRUE(LoadD2XX());
    EXPECT_EQ(Open(), FT_OK);
}

INSTANTIATE_TEST_SUITE_P(Libraries, D2XXLinkTest,
                         ::testing::Values(dabrix::test::kSimulatedD2XX, dabrix::test::kLibftdiProvider),
                         dabrix::test::LibraryName);

} // namespace
