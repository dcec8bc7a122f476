// The D2XX binding: loading complete, incomplete and missing libraries, the wrappers'
// error boxes and the device information list.
#include "comm/d2xx/D2XXUnit.h"
#include "comm/d2xx/tests/D2XXSimFixture.h"

#include <gtest/gtest.h>

#include <QtGlobal>

#include <cstring>
#include <functional>
#include <set>

namespace d2xx = dabrix::comm::d2xx;
using dabrix::test::CallCount;
using dabrix::test::D2XXSimTest;
using dabrix::test::kBridgeId;

namespace {

// Log lines written while an object lives.
class LogCapture {
public:
    LogCapture() { previous_ = qInstallMessageHandler(&LogCapture::Handler); }
    ~LogCapture() { qInstallMessageHandler(previous_); }
    static QStringList& Lines()
    {
        static QStringList lines;
        return lines;
    }

private:
    static void Handler(QtMsgType, const QMessageLogContext&, const QString& text) { Lines().append(text); }
    QtMessageHandler previous_ = nullptr;
};

class D2XXLoadTest : public D2XXSimTest {};

TEST_F(D2XXLoadTest, CompleteLibraryBindsAllFortyNineLookUps)
{
    EXPECT_TRUE(d2xx::Loaded());
    std::set<std::string> names;
    for (std::size_t i = 0; i < d2xx::kLookupCount; ++i) {
        EXPECT_TRUE(d2xx::IsBound(d2xx::LookupName(i))) << d2xx::LookupName(i);
        names.insert(d2xx::LookupName(i));
    }
    EXPECT_EQ(names.size(), 48u) << "FT_ListDevices is looked up twice";
    EXPECT_STREQ(d2xx::LookupName(20), "FT_ListDevices");
    EXPECT_STREQ(d2xx::LookupName(21), "FT_ListDevices");
    EXPECT_STREQ(d2xx::LookupName(48), "FT_GetLatencyTimer");
    EXPECT_EQ(d2xx::LookupName(49), nullptr);
}

TEST_F(D2XXLoadTest, IncompleteLibraryKeepsWhatWasFoundAndNamesWhatIsMissing)
{
    UnloadD2XX();
    setenv("DABRIX_D2XX_LIBRARY", DABRIX_SIM_D2XX_PARTIAL_PATH, 1);
    dabrix::test::SimD2XX partial(DABRIX_SIM_D2XX_PARTIAL_PATH);
    partial.Reset();
    partial.AddDevice("P1", "Gauge", kBridgeId);

    LogCapture log;
    LogCapture::Lines().clear();
    EXPECT_FALSE(LoadD2XX());
    const QString logText = LogCapture::Lines().join('\n');
    EXPECT_TRUE(logText.contains("FT_SetBaudRate")) << logText.toStdString();
    EXPECT_TRUE(logText.contains("FT_GetLatencyTimer")) << logText.toStdString();
    EXPECT_FALSE(logText.contains("FT_Write")) << logText.toStdString();

    EXPECT_FALSE(d2xx::IsBound("FT_SetBaudRate"));
    EXPECT_FALSE(d2xx::IsBound("FT_GetLatencyTimer"));
    EXPECT_TRUE(d2xx::IsBound("FT_OpenEx"));

    // The missing entry returns 1 quietly, even with error boxes on; the rest works.
    d2xx::SetShowErrors(true);
    FT_HANDLE handle = nullptr;
    ASSERT_EQ(d2xx::OpenBySerialNumber("P1", &handle), FT_OK);
    EXPECT_EQ(d2xx::SetBaudRate(handle, 9600), FT_INVALID_HANDLE);
    const uint8_t bytes[] = {'O', 'K'};
    FT_STATUS status = FT_OTHER_ERROR;
    EXPECT_EQ(d2xx::Write(handle, bytes, 2, &status), 2u);
    EXPECT_EQ(status, FT_OK);
    EXPECT_EQ(partial.GaugeReceived("P1"), std::vector<uint8_t>({'O', 'K'}));
    EXPECT_EQ(d2xx::Close(handle), FT_OK);
    EXPECT_TRUE(Boxes().isEmpty()) << Boxes().join('|').toStdString();
    partial.Reset();
}

TEST_F(D2XXLoadTest, MissingLibraryLeavesEveryWrapperReturningOne)
{
    UnloadD2XX();
    setenv("DABRIX_D2XX_LIBRARY", "/nonexistent/libftd2xx.so", 1);
    EXPECT_FALSE(LoadD2XX());
    EXPECT_FALSE(d2xx::Loaded());
    d2xx::SetShowErrors(true);

    FT_HANDLE handle = reinterpret_cast<FT_HANDLE>(0x1234);
    EXPECT_EQ(d2xx::OpenBySerialNumber("A", &handle), FT_INVALID_HANDLE);
    EXPECT_EQ(handle, nullptr);
    FT_HANDLE h = reinterpret_cast<FT_HANDLE>(0x1234);
    uint32_t waiting = 99;
    uint8_t buffer[4] = {};
    const std::vector<std::pair<const char*, std::function<FT_STATUS()>>> calls = {
        {"Close", [&] { return d2xx::Close(h); }},
        {"ResetDevice", [&] { return d2xx::ResetDevice(h); }},
        {"SetDtr", [&] { return d2xx::SetDtr(h); }},
        {"SetBreakOn", [&] { return d2xx::SetBreakOn(h); }},
        {"SetBaudRate", [&] { return d2xx::SetBaudRate(h, 9600); }},
        {"SetTimeouts", [&] { return d2xx::SetTimeouts(h, 10, 10); }},
        {"GetQueueStatus", [&] { return d2xx::GetQueueStatus(h, &waiting); }},
        {"SetLatencyTimerDirect", [&] { return d2xx::SetLatencyTimerDirect(h, 10); }},
        {"SetEventNotificationDirect", [&] { return d2xx::SetEventNotificationDirect(h, 0, nullptr); }},
        {"CreateDeviceInfoList", [&] { return d2xx::CreateDeviceInfoList(); }},
        {"GetDeviceInfoList", [&] { return d2xx::GetDeviceInfoList(); }},
        {"Read", [&] { FT_STATUS s = 0; d2xx::Read(h, buffer, 4, &s); return s; }},
    };
    for (const auto& [name, call] : calls)
        EXPECT_EQ(call(), FT_INVALID_HANDLE) << name;
    EXPECT_EQ(waiting, 0u);
    EXPECT_EQ(d2xx::LastTransferStatus(), FT_INVALID_HANDLE);
    EXPECT_TRUE(Boxes().isEmpty());
}

TEST_F(D2XXLoadTest, UnloadForgetsEveryBinding)
{
    UnloadD2XX();
    EXPECT_FALSE(d2xx::Loaded());
    for (std::size_t i = 0; i < d2xx::kLookupCount; ++i)
        EXPECT_FALSE(d2xx::IsBound(d2xx::LookupName(i))) << d2xx::LookupName(i);
    EXPECT_EQ(d2xx::CreateDeviceInfoList(), FT_INVALID_HANDLE);
    EXPECT_TRUE(Sim().Calls().empty());
}

TEST(D2XXLibraryPath, EnvironmentOverridesTheVendorName)
{
    unsetenv("DABRIX_D2XX_LIBRARY");
    EXPECT_EQ(d2xx::LibraryPath(), "libftd2xx.so");
    setenv("DABRIX_D2XX_LIBRARY", "", 1);
    EXPECT_EQ(d2xx::LibraryPath(), "libftd2xx.so");
    setenv("DABRIX_D2XX_LIBRARY", "/opt/sim/libd2xx.so", 1);
    EXPECT_EQ(d2xx::LibraryPath(), "/opt/sim/libd2xx.so");
    unsetenv("DABRIX_D2XX_LIBRARY");
}

TEST(D2XXErrorText, MessageNameFollowedByTheStatusText)
{
    const struct {
        const char* name;
        FT_STATUS status;
        const char* text;
    } cases[] = {
        {"FT_Write", 10, "FT_Write - Failed to write..."},
        {"FT_Close", 1, "FT_Close - Invalid handle..."},
        {"Open_USB_Device_By_Serial_Number", 2, "Open_USB_Device_By_Serial_Number - Device not found..."},
        {"FT_SetBaudRate", 7, "FT_SetBaudRate - Invalid baud rate..."},
        // 8 and 9 have no dash.
        {"FT_EraseEE", 8, "FT_EraseEE Device not opened for erase..."},
        {"FT_Write", 9, "FT_Write Device not opened for write..."},
        {"FT_Read", 16, "FT_Read - Invalid arguments..."},
        {"FT_Read", 17, "FT_Read - Other error ..."},
        {"FT_Read", 18, "FT_Read - Unknown error (status 18)..."},
        {"FT_Read", 0xFFFFFFFFu, "FT_Read - Unknown error (status 4294967295)..."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(d2xx::ErrorText(c.name, c.status).toStdString(), c.text);
}

class D2XXWrapperTest : public D2XXSimTest {
protected:
    void SetUp() override
    {
        D2XXSimTest::SetUp();
        ASSERT_EQ(Sim().AddDevice("W1", "Gauge", kBridgeId), 0);
        ASSERT_EQ(d2xx::OpenBySerialNumber("W1", &handle_), FT_OK);
    }
    void TearDown() override
    {
        d2xx::Close(handle_);
        D2XXSimTest::TearDown();
    }
    FT_HANDLE handle_ = nullptr;
};

TEST_F(D2XXWrapperTest, FailingWriteShowsItsBoxOnlyWithShowErrors)
{
    const uint8_t bytes[] = {1, 2, 3};
    for (bool show : {false, true}) {
        SCOPED_TRACE(show);
        d2xx::SetShowErrors(show);
        Sim().Fail("FT_Write", FT_FAILED_TO_WRITE_DEVICE, 1);
        const int before = static_cast<int>(Boxes().size());
        FT_STATUS status = FT_OK;
        EXPECT_EQ(d2xx::Write(handle_, bytes, 3, &status), 0u);
        EXPECT_EQ(status, FT_FAILED_TO_WRITE_DEVICE);
        EXPECT_EQ(d2xx::LastTransferStatus(), FT_FAILED_TO_WRITE_DEVICE);
        const QStringList boxes = Boxes().mid(before);
        if (show)
            EXPECT_EQ(boxes, QStringList{"FT_Write - Failed to write..."});
        else
            EXPECT_TRUE(boxes.isEmpty());
    }
    // A later good write clears the last transfer status.
    EXPECT_EQ(d2xx::Write(handle_, bytes, 3), 3u);
    EXPECT_EQ(d2xx::LastTransferStatus(), FT_OK);
}

TEST_F(D2XXWrapperTest, EachWrapperNamesItselfInTheBox)
{
    d2xx::SetShowErrors(true);
    uint32_t waiting = 0;
    uint8_t buffer[4] = {};
    const struct {
        const char* exportName;
        std::function<FT_STATUS()> call;
        const char* box;
    } cases[] = {
        // A failed close leaves the simulated device open; TearDown closes it again.
        {"FT_Close", [&] { return d2xx::Close(handle_); }, "FT_Close - Other error ..."},
        {"FT_ResetDevice", [&] { return d2xx::ResetDevice(handle_); }, "FT_ResetDevice - Other error ..."},
        {"FT_SetRts", [&] { return d2xx::SetRts(handle_); }, "FT_SetRTS - Other error ..."},
        {"FT_ClrRts", [&] { return d2xx::ClrRts(handle_); }, "FT_ClrRTS - Other error ..."},
        {"FT_SetDtr", [&] { return d2xx::SetDtr(handle_); }, "FT_SetDTR - Other error ..."},
        {"FT_ClrDtr", [&] { return d2xx::ClrDtr(handle_); }, "FT_ClrDTR - Other error ..."},
        {"FT_SetBreakOn", [&] { return d2xx::SetBreakOn(handle_); }, "FT_SetBreakOn - Other error ..."},
        {"FT_SetBreakOff", [&] { return d2xx::SetBreakOff(handle_); }, "FT_SetBreakOff - Other error ..."},
        {"FT_SetBaudRate", [&] { return d2xx::SetBaudRate(handle_, 1); }, "FT_SetBaudRate - Other error ..."},
        {"FT_SetDataCharacteristics", [&] { return d2xx::SetDataCharacteristics(handle_, 8, 0, 0); },
         "FT_SetDataCharacteristics - Other error ..."},
        {"FT_SetTimeouts", [&] { return d2xx::SetTimeouts(handle_, 1, 1); }, "FT_SetTimeouts - Other error ..."},
        {"FT_GetQueueStatus", [&] { return d2xx::GetQueueStatus(handle_, &waiting); },
         "FT_GetQueueStatus - Other error ..."},
        {"FT_Read", [&] { FT_STATUS s = 0; d2xx::Read(handle_, buffer, 4, &s); return s; },
         "FT_Read - Other error ..."},
        {"FT_SetEventNotification", [&] { return d2xx::SetEventNotification(handle_, 0, nullptr); },
         "FT_SetEventNotifikation - Other error ..."},
        {"FT_SetLatencyTimer", [&] { return d2xx::SetLatencyTimer(handle_, 5); },
         "FT_SetLatencyTimer - Other error ..."},
        {"FT_SetUSBParameters", [&] { return d2xx::SetUSBParameters(handle_, 64, 64); },
         "FT_SetUSBParameters - Other error ..."},
        {"FT_CreateDeviceInfoList", [&] { return d2xx::CreateDeviceInfoList(); },
         "FT_CreateDeviceInfoList - Other error ..."},
        {"FT_GetDeviceInfoList", [&] { return d2xx::GetDeviceInfoList(); },
         "FT_GetDeviceInfoList - Other error ..."},
        {"FT_OpenEx", [&] { FT_HANDLE h = nullptr; return d2xx::OpenBySerialNumber("W1", &h); },
         "Open_USB_Device_By_Serial_Number - Other error ..."},
        // The direct calls show nothing.
        {"FT_SetLatencyTimer", [&] { return d2xx::SetLatencyTimerDirect(handle_, 5); }, ""},
        {"FT_SetEventNotification", [&] { return d2xx::SetEventNotificationDirect(handle_, 0, nullptr); }, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.exportName);
        Sim().Fail(c.exportName, FT_OTHER_ERROR, 1);
        const int before = static_cast<int>(Boxes().size());
        const FT_STATUS status = c.call();
        const QStringList boxes = Boxes().mid(before);
        if (*c.box == '\0') {
            EXPECT_EQ(status, FT_OTHER_ERROR);
            EXPECT_TRUE(boxes.isEmpty());
        } else {
            EXPECT_EQ(status, FT_OTHER_ERROR);
            EXPECT_EQ(boxes, QStringList{c.box});
        }
        Sim().Fail(c.exportName, FT_OK, 0);
    }
}

TEST_F(D2XXWrapperTest, CloseOfNullOrClosedMarkerCallsNothing)
{
    d2xx::SetShowErrors(true);
    EXPECT_EQ(d2xx::Close(nullptr), FT_OK);
    EXPECT_EQ(d2xx::Close(reinterpret_cast<FT_HANDLE>(~uintptr_t{0})), FT_OK);
    EXPECT_EQ(CallCount(Sim().Calls(), "FT_Close"), 0);
    EXPECT_TRUE(Boxes().isEmpty());
}

class D2XXDeviceListTest : public D2XXSimTest {};

TEST_F(D2XXDeviceListTest, ListReadsBackEveryRecordField)
{
    const std::string fullSerial = "ABCDEFGHIJKLMNOP";  // 16 characters: no room for a NUL
    const std::string fullDescription(64, 'D');
    ASSERT_EQ(Sim().AddDevice("FT1234", "USB Gauge A", kBridgeId), 0);
    ASSERT_EQ(Sim().AddDevice("BUSY01", "USB Gauge B", kBridgeId, /*inUse=*/true), 0);
    ASSERT_EQ(Sim().AddDevice(fullSerial, fullDescription, 0x04036015), 0);

    ASSERT_EQ(d2xx::CreateDeviceInfoList(), FT_OK);
    EXPECT_EQ(d2xx::DeviceCount(), 3u);
    ASSERT_EQ(d2xx::GetDeviceInfoList(), FT_OK);
    EXPECT_EQ(d2xx::DeviceCount(), 3u);
    const auto list = d2xx::DeviceInfoList();
    ASSERT_EQ(list.size(), 3u);

    EXPECT_EQ(list[0].ID, kBridgeId);
    EXPECT_EQ(d2xx::NodeSerialNumber(list[0]), "FT1234");
    EXPECT_EQ(d2xx::NodeDescription(list[0]), "USB Gauge A");
    EXPECT_EQ(list[0].Flags, 0u);
    EXPECT_EQ(list[0].ftHandle, nullptr);

    // Open elsewhere: identifier 0 and no strings.
    EXPECT_EQ(list[1].ID, 0u);
    EXPECT_EQ(d2xx::NodeSerialNumber(list[1]), "");
    EXPECT_EQ(d2xx::NodeDescription(list[1]), "");
    EXPECT_EQ(list[1].Flags, 1u);

    EXPECT_EQ(list[2].ID, 0x04036015u);
    EXPECT_EQ(d2xx::NodeSerialNumber(list[2]), fullSerial);
    EXPECT_EQ(d2xx::NodeDescription(list[2]), fullDescription);

    EXPECT_NE(list[0].LocId, list[1].LocId);
    EXPECT_NE(list[1].LocId, list[2].LocId);
}

TEST_F(D2XXDeviceListTest, OverstatedCountNeverReachesPastTheRecords)
{
    ASSERT_EQ(Sim().AddDevice("S1", "One", kBridgeId), 0);
    ASSERT_EQ(Sim().AddDevice("S2", "Two", kBridgeId), 0);
    Sim().SetListOverstatement(5000);
    ASSERT_EQ(d2xx::CreateDeviceInfoList(), FT_OK);
    ASSERT_EQ(d2xx::GetDeviceInfoList(), FT_OK);
    EXPECT_EQ(d2xx::DeviceCount(), 2u);
    const auto list = d2xx::DeviceInfoList();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(d2xx::NodeSerialNumber(list[1]), "S2");
}

TEST_F(D2XXDeviceListTest, DeviceArrivingBetweenCountAndListFitsAndIsListed)
{
    ASSERT_EQ(Sim().AddDevice("S1", "One", kBridgeId), 0);
    ASSERT_EQ(d2xx::CreateDeviceInfoList(), FT_OK);
    ASSERT_EQ(d2xx::DeviceCount(), 1u);
    ASSERT_EQ(Sim().AddDevice("S2", "Two", kBridgeId), 0);
    ASSERT_EQ(d2xx::GetDeviceInfoList(), FT_OK);
    const auto list = d2xx::DeviceInfoList();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(d2xx::DeviceCount(), 2u);
    EXPECT_EQ(d2xx::NodeSerialNumber(list[1]), "S2");
}

TEST_F(D2XXDeviceListTest, FailedListCallsLeaveAnEmptyList)
{
    ASSERT_EQ(Sim().AddDevice("S1", "One", kBridgeId), 0);
    ASSERT_EQ(d2xx::CreateDeviceInfoList(), FT_OK);
    ASSERT_EQ(d2xx::GetDeviceInfoList(), FT_OK);
    ASSERT_EQ(d2xx::DeviceInfoList().size(), 1u);

    Sim().Fail("FT_GetDeviceInfoList", FT_IO_ERROR, 1);
    EXPECT_EQ(d2xx::GetDeviceInfoList(), FT_IO_ERROR);
    EXPECT_TRUE(d2xx::DeviceInfoList().empty());
    EXPECT_EQ(d2xx::DeviceCount(), 0u);

    Sim().Fail("FT_CreateDeviceInfoList", FT_IO_ERROR, 1);
    EXPECT_EQ(d2xx::CreateDeviceInfoList(), FT_IO_ERROR);
    EXPECT_EQ(d2xx::DeviceCount(), 0u);
}

} // namespace
