// The program's binding on the provider itself (real libftdi1, whatever bus this machine
// has): every look-up binds, and the calls the program makes answer with D2XX statuses.
#include "comm/d2xx/D2XXUnit.h"
#include "platform/UserMessage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

using namespace dabrix::comm::d2xx;

class FtdiBindingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("DABRIX_D2XX_LIBRARY", DABRIX_FTD2XX_PATH, 1);
        SetShowErrors(false);
    }
    void TearDown() override
    {
        UnloadD2XX();
        unsetenv("DABRIX_D2XX_LIBRARY");
    }
};

TEST_F(FtdiBindingTest, EveryLookUpBindsAndAnUnknownSerialIsNotFound)
{
    ASSERT_TRUE(LoadD2XX());
    for (std::size_t i = 0; i < kLookupCount; ++i)
        EXPECT_TRUE(IsBound(LookupName(i))) << LookupName(i);

    ASSERT_EQ(CreateDeviceInfoList(), FT_OK);
    ASSERT_EQ(GetDeviceInfoList(), FT_OK);
    EXPECT_EQ(DeviceInfoList().size(), DeviceCount());
    for (const auto& node : DeviceInfoList())
        EXPECT_TRUE(node.ID == 0 || node.ID >> 16 == 0x0403) << std::hex << node.ID;

    FT_HANDLE handle = reinterpret_cast<FT_HANDLE>(1);
    EXPECT_EQ(OpenBySerialNumber("DABRIX-NO-SUCH-SERIAL", &handle), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(handle, nullptr);
    uint32_t waiting = 7;
    EXPECT_EQ(GetQueueStatus(reinterpret_cast<FT_HANDLE>(0x10), &waiting), FT_INVALID_HANDLE)
        << "a handle the provider never gave out";
    EXPECT_EQ(waiting, 0u);
}

TEST(FtdiBindingOrder, VendorLibraryFirstThenTheProviderBesideTheProgram)
{
    unsetenv("DABRIX_D2XX_LIBRARY");
    const auto candidates = LibraryCandidates();
    ASSERT_GE(candidates.size(), 2u);
    EXPECT_EQ(candidates.front(), "libftd2xx.so");
    for (std::size_t i = 1; i < candidates.size(); ++i)
        EXPECT_EQ(std::filesystem::path(candidates[i]).filename(), "libdabrix-ftd2xx.so");

    setenv("DABRIX_D2XX_LIBRARY", "/somewhere/else.so", 1);
    EXPECT_EQ(LibraryCandidates(), std::vector<std::string>{"/somewhere/else.so"})
        << "an explicit library is the only one tried";
    unsetenv("DABRIX_D2XX_LIBRARY");
}

} // namespace
