// The provider's own logic over a fake libftdi1: the device list, the serial-number match,
// the status mapping, the event signalling, the re-attach on close and an unplug.
#include "comm/d2xx/D2XXApi.h"
#include "tests/sim/ftdi/FakeFtdi.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

extern "C" {
FT_STATUS FT_OpenEx(void*, uint32_t, FT_HANDLE*);
FT_STATUS FT_Close(FT_HANDLE);
FT_STATUS FT_Read(FT_HANDLE, void*, uint32_t, uint32_t*);
FT_STATUS FT_Write(FT_HANDLE, void*, uint32_t, uint32_t*);
FT_STATUS FT_SetBaudRate(FT_HANDLE, uint32_t);
FT_STATUS FT_SetLatencyTimer(FT_HANDLE, uint8_t);
FT_STATUS FT_SetDtr(FT_HANDLE);
FT_STATUS FT_ClrRts(FT_HANDLE);
FT_STATUS FT_SetBreakOn(FT_HANDLE);
FT_STATUS FT_SetDataCharacteristics(FT_HANDLE, uint8_t, uint8_t, uint8_t);
FT_STATUS FT_SetTimeouts(FT_HANDLE, uint32_t, uint32_t);
FT_STATUS FT_GetQueueStatus(FT_HANDLE, uint32_t*);
FT_STATUS FT_SetEventNotification(FT_HANDLE, uint32_t, void*);
FT_STATUS FT_CreateDeviceInfoList(uint32_t*);
FT_STATUS FT_GetDeviceInfoList(FT_DEVICE_LIST_INFO_NODE*, uint32_t*);
FT_STATUS FT_EE_Read(void);
FT_STATUS FT_CyclePort(void);
}

namespace dabrix::test {
namespace {

using namespace std::chrono_literals;

std::vector<FT_DEVICE_LIST_INFO_NODE> List()
{
    uint32_t count = 0;
    EXPECT_EQ(FT_CreateDeviceInfoList(&count), FT_OK);
    std::vector<FT_DEVICE_LIST_INFO_NODE> nodes(count);
    EXPECT_EQ(FT_GetDeviceInfoList(nodes.data(), &count), FT_OK);
    nodes.resize(count);
    return nodes;
}

FT_STATUS Open(const std::string& serial, FT_HANDLE* handle)
{
    std::string copy = serial;
    return FT_OpenEx(copy.data(), FT_OPEN_BY_SERIAL_NUMBER, handle);
}

template <typename Pred>
bool WaitFor(Pred pred, std::chrono::milliseconds limit = 3000ms)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

class FtdiD2XXTest : public ::testing::Test {
protected:
    FtdiD2XXTest() { DabrixFtdiUseCalls(&FakeFtdi::Calls()); }
    ~FtdiD2XXTest() override { DabrixFtdiUseCalls(nullptr); }
    FakeFtdi fake;
};

TEST_F(FtdiD2XXTest, ListNamesEveryInterfaceAndMarksUnreadableDevicesInUse)
{
    fake.Add(0x6001, "A100", "Gauge FT232R");
    fake.Add(0x6010, "D200", "Dual RS232");
    fake.Add(0x6015, "X300", "FT230X Basic UART").unreadable = true;
    fake.Add(0x6666, "Z999", "not a bridge of ours");

    struct Row { uint32_t flags, id; const char* serial; const char* description; };
    const std::vector<Row> expected = {
        {0, 0x04036001, "A100", "Gauge FT232R"},
        {0, 0x04036010, "D200A", "Dual RS232 A"},
        {0, 0x04036010, "D200B", "Dual RS232 B"},
        {1, 0, "", ""},
    };
    const auto nodes = List();
    ASSERT_EQ(nodes.size(), expected.size());
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(nodes[i].Flags, expected[i].flags);
        EXPECT_EQ(nodes[i].ID, expected[i].id);
        EXPECT_STREQ(nodes[i].SerialNumber, expected[i].serial);
        EXPECT_STREQ(nodes[i].Description, expected[i].description);
        EXPECT_EQ(nodes[i].ftHandle, nullptr);
    }
    EXPECT_EQ(fake.OpenContexts(), 0) << "listing leaves no context behind";
}

TEST_F(FtdiD2XXTest, OwnOpenDeviceStaysListedWithItsHandle)
{
    fake.Add(0x6001, "A100", "Gauge");
    FT_HANDLE h = nullptr;
    ASSERT_EQ(Open("A100", &h), FT_OK);
    const auto nodes = List();
    ASSERT_EQ(nodes.size(), 1u);
    EXPECT_EQ(nodes[0].Flags, 1u);
    EXPECT_EQ(nodes[0].ID, 0x04036001u);
    EXPECT_STREQ(nodes[0].SerialNumber, "A100");
    EXPECT_EQ(nodes[0].ftHandle, h);
    EXPECT_EQ(FT_Close(h), FT_OK);
}

TEST_F(FtdiD2XXTest, OpenMatchesTheWholeSerialNumberAndPicksTheInterface)
{
    fake.Add(0x6001, "A100", "Gauge");
    FakeFtdiDevice& dual = fake.Add(0x6011, "Q4", "Quad");
    struct Case { const char* serial; FT_STATUS status; };
    const Case cases[] = {
        {"A100", FT_OK}, {"A10", FT_DEVICE_NOT_FOUND}, {"A1000", FT_DEVICE_NOT_FOUND},
        {"a100", FT_DEVICE_NOT_FOUND}, {"", FT_DEVICE_NOT_FOUND}, {"Q4C", FT_OK},
        {"Q4E", FT_DEVICE_NOT_FOUND}, {"Q4", FT_DEVICE_NOT_FOUND},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.serial);
        FT_HANDLE h = reinterpret_cast<FT_HANDLE>(1);
        EXPECT_EQ(Open(c.serial, &h), c.status);
        EXPECT_EQ(h == nullptr, c.status != FT_OK);
        if (h) {
            EXPECT_EQ(FT_Close(h), FT_OK);
        }
    }
    EXPECT_EQ(dual.interfaces, std::vector<int>{INTERFACE_C});
    FT_HANDLE h = nullptr;
    EXPECT_EQ(FT_OpenEx(const_cast<char*>("A100"), 2 /* by description */, &h), 17u);
}

TEST_F(FtdiD2XXTest, LibftdiResultsBecomeTheirStatuses)
{
    FakeFtdiDevice& d = fake.Add(0x6001, "A100", "Gauge");
    struct OpenCase { int result; FT_STATUS status; };
    for (const OpenCase c : {OpenCase{-5, FT_DEVICE_NOT_OPENED}, OpenCase{-4, FT_DEVICE_NOT_OPENED},
                             OpenCase{-11, FT_DEVICE_NOT_OPENED}, OpenCase{-6, FT_IO_ERROR}}) {
        d.openResult = c.result;
        FT_HANDLE h = nullptr;
        EXPECT_EQ(Open("A100", &h), c.status) << c.result;
        EXPECT_EQ(fake.OpenContexts(), 0);
    }
    d.openResult = 0;
    FT_HANDLE h = nullptr;
    ASSERT_EQ(Open("A100", &h), FT_OK);
    FT_HANDLE second = nullptr;
    EXPECT_EQ(Open("A100", &second), FT_DEVICE_NOT_OPENED) << "claimed already";

    EXPECT_EQ(FT_SetBaudRate(h, 9600), FT_OK);
    EXPECT_EQ(d.baudrate, 9600);
    d.baudResult = -1;
    EXPECT_EQ(FT_SetBaudRate(h, 7), FT_INVALID_BAUD_RATE);
    d.baudResult = -2;
    EXPECT_EQ(FT_SetBaudRate(h, 9600), FT_IO_ERROR);
    EXPECT_EQ(FT_SetLatencyTimer(h, 0), FT_INVALID_PARAMETER);
    EXPECT_EQ(FT_SetDataCharacteristics(h, 9, 0, 0), FT_INVALID_PARAMETER);
    d.writeResult = -7;  // LIBUSB_ERROR_TIMEOUT
    uint8_t byte = 0x05;
    uint32_t written = 99;
    EXPECT_EQ(FT_Write(h, &byte, 1, &written), FT_IO_ERROR);
    EXPECT_EQ(written, 0u);

    EXPECT_EQ(FT_SetDtr(h), FT_OK);
    EXPECT_EQ(FT_ClrRts(h), FT_OK);
    EXPECT_EQ(FT_SetBreakOn(h), FT_OK);
    EXPECT_EQ((std::vector<int>{d.dtr, d.rts, d.breakState}), (std::vector<int>{1, 0, BREAK_ON}));

    EXPECT_EQ(FT_Close(h), FT_OK);
    EXPECT_EQ(FT_Close(h), FT_INVALID_HANDLE) << "a closed handle is not used again";
    EXPECT_EQ(FT_SetDtr(h), FT_INVALID_HANDLE);
    EXPECT_EQ(FT_EE_Read(), 17u);
    EXPECT_EQ(FT_CyclePort(), 17u);
}

TEST_F(FtdiD2XXTest, ArrivingBytesSignalTheEventAndWaitInTheQueue)
{
    FakeFtdiDevice& d = fake.Add(0x6001, "A100", "Gauge");
    FT_HANDLE h = nullptr;
    ASSERT_EQ(Open("A100", &h), FT_OK);
    ASSERT_EQ(FT_SetTimeouts(h, 50, 50), FT_OK);
    D2XXEventHandle event;
    pthread_cond_init(&event.Cond, nullptr);
    pthread_mutex_init(&event.Mutex, nullptr);
    event.Unused = 0x5A5A5A5A;
    ASSERT_EQ(FT_SetEventNotification(h, FT_EVENT_RXCHAR, &event), FT_OK);

    bool signalled = false;
    std::thread gauge([&] {
        std::this_thread::sleep_for(30ms);
        fake.Send(d, {'1', '2', '.', '5', '\r'});
    });
    pthread_mutex_lock(&event.Mutex);
    timespec until{};
    clock_gettime(CLOCK_REALTIME, &until);
    until.tv_sec += 3;
    signalled = pthread_cond_timedwait(&event.Cond, &event.Mutex, &until) == 0;
    pthread_mutex_unlock(&event.Mutex);
    gauge.join();
    EXPECT_TRUE(signalled);
    EXPECT_EQ(event.Unused, 0x5A5A5A5A) << "the third field is never touched";

    uint32_t waiting = 0;
    ASSERT_TRUE(WaitFor([&] { return FT_GetQueueStatus(h, &waiting) == FT_OK && waiting == 5; }));
    char buffer[8] = {};
    uint32_t read = 0;
    EXPECT_EQ(FT_Read(h, buffer, 3, &read), FT_OK);
    EXPECT_EQ(std::string(buffer, read), "12.");
    EXPECT_EQ(FT_Read(h, buffer, 8, &read), FT_OK) << "a short read ends with its time-out";
    EXPECT_EQ(std::string(buffer, read), "5\r");

    ASSERT_EQ(FT_SetEventNotification(h, 0, nullptr), FT_OK);
    EXPECT_EQ(FT_Close(h), FT_OK);
    pthread_cond_destroy(&event.Cond);
    pthread_mutex_destroy(&event.Mutex);
}

TEST_F(FtdiD2XXTest, CloseGivesTheDeviceBackToTheKernelDriver)
{
    FakeFtdiDevice& d = fake.Add(0x6001, "A100", "Gauge");
    FT_HANDLE h = nullptr;
    ASSERT_EQ(Open("A100", &h), FT_OK);
    EXPECT_FALSE(d.kernelDriver) << "ftdi_sio is detached while the provider holds the device";
    EXPECT_EQ(FT_Close(h), FT_OK);
    EXPECT_TRUE(d.kernelDriver);
    EXPECT_EQ(fake.OpenContexts(), 0);
}

TEST_F(FtdiD2XXTest, UnpluggedDeviceFailsEveryCallAndStillCloses)
{
    FakeFtdiDevice& d = fake.Add(0x6001, "A100", "Gauge");
    FT_HANDLE h = nullptr;
    ASSERT_EQ(Open("A100", &h), FT_OK);
    fake.Send(d, {'x'});
    uint32_t waiting = 0;
    ASSERT_TRUE(WaitFor([&] { return FT_GetQueueStatus(h, &waiting) == FT_OK && waiting == 1; }));
    fake.Unplug(d);
    ASSERT_TRUE(WaitFor([&] { return FT_GetQueueStatus(h, &waiting) == FT_IO_ERROR; }));
    EXPECT_EQ(waiting, 0u);
    char byte = 0;
    uint32_t moved = 0;
    // Time-out 0 would wait for ever on a live device; a lost one answers at once.
    EXPECT_EQ(FT_Read(h, &byte, 4, &moved), FT_OK) << "the byte that came before the unplug";
    EXPECT_EQ(moved, 1u);
    EXPECT_EQ(FT_Read(h, &byte, 1, &moved), FT_IO_ERROR);
    EXPECT_EQ(FT_Write(h, &byte, 1, &moved), FT_IO_ERROR);
    EXPECT_EQ(FT_SetBaudRate(h, 9600), FT_IO_ERROR);
    EXPECT_EQ(FT_Close(h), FT_IO_ERROR);
    EXPECT_EQ(FT_Close(h), FT_INVALID_HANDLE) << "the handle is gone all the same";
    EXPECT_EQ(fake.OpenContexts(), 0);
    EXPECT_TRUE(List().empty());
}

} // namespace
} // namespace dabrix::test
