// The provider against a real bridge device. Runs only with DABRIX_HW_TEST=1 and
// DABRIX_HW_SERIAL=<serial number of a connected bridge device>; skipped otherwise.
#include "comm/d2xx/D2XXApi.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

TEST(FtdiHardware, ListsOpensSetsUpAndClosesTheNamedDevice)
{
    const char* enabled = std::getenv("DABRIX_HW_TEST");
    const char* serial = std::getenv("DABRIX_HW_SERIAL");
    if (!enabled || std::string(enabled) != "1" || !serial || !*serial)
        GTEST_SKIP() << "set DABRIX_HW_TEST=1 and DABRIX_HW_SERIAL to test a connected bridge device";

    void* lib = dlopen(DABRIX_FTD2XX_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    auto sym = [&](const char* name) {
        void* p = dlsym(lib, name);
        EXPECT_NE(p, nullptr) << name;
        return p;
    };
    auto create = reinterpret_cast<PFT_CreateDeviceInfoList>(sym("FT_CreateDeviceInfoList"));
    auto getList = reinterpret_cast<PFT_GetDeviceInfoList>(sym("FT_GetDeviceInfoList"));
    auto openEx = reinterpret_cast<PFT_OpenEx>(sym("FT_OpenEx"));
    auto close = reinterpret_cast<PFT_Close>(sym("FT_Close"));
    auto baud = reinterpret_cast<PFT_SetBaudRate>(sym("FT_SetBaudRate"));
    auto latency = reinterpret_cast<PFT_SetLatencyTimer>(sym("FT_SetLatencyTimer"));
    auto usb = reinterpret_cast<PFT_SetUSBParameters>(sym("FT_SetUSBParameters"));
    auto chars = reinterpret_cast<PFT_SetDataCharacteristics>(sym("FT_SetDataCharacteristics"));
    auto queue = reinterpret_cast<PFT_GetQueueStatus>(sym("FT_GetQueueStatus"));
    ASSERT_FALSE(::testing::Test::HasFailure());

    uint32_t count = 0;
    ASSERT_EQ(create(&count), FT_OK);
    std::vector<FT_DEVICE_LIST_INFO_NODE> nodes(count);
    ASSERT_EQ(getList(nodes.data(), &count), FT_OK);
    bool listed = false;
    for (uint32_t i = 0; i < count; ++i)
        listed |= std::string(nodes[i].SerialNumber) == serial && nodes[i].ID >> 16 == 0x0403;
    EXPECT_TRUE(listed) << serial << " is not in the device list";

    std::string name = serial;
    FT_HANDLE h = nullptr;
    ASSERT_EQ(openEx(name.data(), FT_OPEN_BY_SERIAL_NUMBER, &h), FT_OK);
    EXPECT_EQ(latency(h, 10), FT_OK);
    EXPECT_EQ(usb(h, 64, 64), FT_OK);
    EXPECT_EQ(baud(h, 9600), FT_OK);
    EXPECT_EQ(chars(h, FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE), FT_OK);
    uint32_t waiting = 0;
    EXPECT_EQ(queue(h, &waiting), FT_OK);
    EXPECT_EQ(close(h), FT_OK);
    // Closed again, the device can be opened anew (its interface was released).
    ASSERT_EQ(openEx(name.data(), FT_OPEN_BY_SERIAL_NUMBER, &h), FT_OK);
    EXPECT_EQ(close(h), FT_OK);
    dlclose(lib);
}

} // namespace
