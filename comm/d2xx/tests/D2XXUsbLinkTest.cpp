// The connection item's USB link over the binding, used only through the UsbLink seam
// the item sees, on the simulated library and on Dabrix's libftdi1 provider.
#include "comm/d2xx/D2XXUsbLink.h"
#include "comm/d2xx/tests/D2XXSimFixture.h"
#include "tests/support/EventLoop.h"

#include <gtest/gtest.h>

using dabrix::comm::UsbLink;
using dabrix::comm::UsbLinkSettings;
using dabrix::test::ChunkCollector;
using dabrix::test::kBridgeId;
using dabrix::test::Pattern;
using dabrix::test::WaitFor;
using namespace std::chrono_literals;

namespace {

const std::string kSerial = "FTSEAM01";

class D2XXUsbLinkTest : public dabrix::test::D2XXLibraryTest {
protected:
    void SetUp() override
    {
        D2XXLibraryTest::SetUp();
        ASSERT_EQ(Sim().AddDevice(kSerial, "USB Gauge", kBridgeId), 0);
        dabrix::comm::InstallD2XXUsbLinkFactory();
        link_ = dabrix::comm::CreateUsbLink();
        ASSERT_NE(link_, nullptr);
    }
    void TearDown() override
    {
        link_.reset();
        dabrix::comm::SetUsbLinkFactory(nullptr);
        D2XXLibraryTest::TearDown();
    }
    std::unique_ptr<UsbLink> link_;
    ChunkCollector collector_;
};

TEST_P(D2XXUsbLinkTest, ItemSeesAWorkingLinkFromOpenToClose)
{
    EXPECT_TRUE(link_->HasReceiveEvent());
    UsbLinkSettings settings;
    settings.BaudRate = 19200;
    settings.ReceiveTimeout = 10;
    ASSERT_EQ(link_->Open(kSerial, settings, collector_.Receiver()), 0);
    EXPECT_GT(link_->Handle(), 0);
    EXPECT_EQ(Sim().Settings(kSerial).BaudRate, 19200u);
    if (Sim().SeesTheCalls())
        EXPECT_EQ(Sim().Settings(kSerial).EventMask, 1u) << "the item's event was registered";

    const auto bytes = Pattern(300);
    ASSERT_EQ(Sim().GaugeSend(kSerial, bytes), 0);
    ASSERT_TRUE(WaitFor([&] { return collector_.Total() >= 300; }, 5s));
    EXPECT_EQ(collector_.All(), bytes);

    const uint8_t ack[] = {6};
    EXPECT_EQ(link_->Write(ack, 1), 0);
    if (Sim().SeesTheCalls()) {
        Sim().Fail("FT_Write", FT_IO_ERROR, 1);
        EXPECT_EQ(link_->Write(ack, 1), static_cast<int>(FT_IO_ERROR));
    }
    EXPECT_EQ(Sim().GaugeReceived(kSerial), std::vector<uint8_t>({6}));

    link_->ApplyLatency(3);
    EXPECT_EQ(Sim().Settings(kSerial).Latency, 3u);

    EXPECT_TRUE(link_->Close());
    EXPECT_EQ(link_->Handle(), UsbLink::kClosedHandle);
    EXPECT_FALSE(link_->Close());
}

TEST_P(D2XXUsbLinkTest, ControlLinesOfTheItemReachTheDevice)
{
    ASSERT_EQ(link_->Open(kSerial, UsbLinkSettings{}, nullptr), 0);
    const struct {
        TControlLine line;
        bool state;
        const char* recorded;
    } cases[] = {
        {lnBreak, true, "BREAK=1"}, {lnDTR, true, "DTR=0"}, {lnRTS, true, "RTS=0"},
        {lnBreak, false, "BREAK=0"}, {lnDTR, false, "DTR=1"}, {lnRTS, false, "RTS=1"},
    };
    std::string expected;
    for (const auto& c : cases) {
        link_->SetControlLine(c.line, c.state);
        expected += (expected.empty() ? "" : ",") + std::string(c.recorded);
    }
    EXPECT_EQ(Sim().Lines(kSerial), expected);
}

TEST_P(D2XXUsbLinkTest, FailedOpenReturnsTheStatusAndStaysClosed)
{
    EXPECT_EQ(link_->Open("UNKNOWN", UsbLinkSettings{}, nullptr), static_cast<int>(FT_DEVICE_NOT_FOUND));
    EXPECT_EQ(link_->Handle(), UsbLink::kClosedHandle);
    EXPECT_FALSE(link_->Close());
}

TEST_P(D2XXUsbLinkTest, DestroyingAnOpenLinkClosesTheDevice)
{
    ASSERT_EQ(link_->Open(kSerial, UsbLinkSettings{}, collector_.Receiver()), 0);
    link_.reset();
    EXPECT_EQ(Sim().Settings(kSerial).Open, 0);
    if (Sim().SeesTheCalls())
        EXPECT_EQ(Sim().Settings(kSerial).EventSet, 0);
}

INSTANTIATE_TEST_SUITE_P(Libraries, D2XXUsbLinkTest,
                         ::testing::Values(dabrix::test::kSimulatedD2XX, dabrix::test::kLibftdiProvider),
                         dabrix::test::LibraryName);

} // namespace
