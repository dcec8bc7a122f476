// Reading participant files and the device list buffer, which other programs' data fill.
#include "platform/irda/IrDADeviceList.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace dabrix::platform::irda;

TEST(IrDAFolderNameTest, OnlyEightUpperCaseHexDigitsNameAParticipant)
{
    const struct {
        const char* name;
        std::optional<DeviceId> id;
    } rows[] = {
        {"1A2B3C4D", DeviceId{0x4D, 0x3C, 0x2B, 0x1A}},
        {"00000000", DeviceId{0, 0, 0, 0}},
        {"FFFFFFFF", DeviceId{0xFF, 0xFF, 0xFF, 0xFF}},
        {"1a2b3c4d", std::nullopt},   // lower case
        {"1A2B3C4", std::nullopt},    // seven digits
        {"1A2B3C4D5", std::nullopt},  // nine
        {"1A2B3C4G", std::nullopt},
        {"1A2B 3C4", std::nullopt},
        {".new-1A2", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(DeviceIdFromFolderName(r.name), r.id) << r.name;
        if (r.id) {
            EXPECT_EQ(FolderNameOf(*r.id), r.name);
        }
    }
}

TEST(IrDAParticipantTest, FilesAsOtherProgramsWriteThem)
{
    const DeviceId id{1, 2, 3, 4};
    const struct {
        std::string name;
        std::optional<std::string> hints, charset;
        std::string nickname;
        uint8_t hints1, hints2, charSet;
    } rows[] = {
        {"Lakmo 3", std::nullopt, std::nullopt, "Lakmo 3", 0, 0, 0},
        {"Lakmo 3\n", "8204\n", "01\n", "Lakmo 3", 0x82, 0x04, 0x01},   // written with echo
        {"Lakmo 3\r\n", " 82a4 ", "ff", "Lakmo 3", 0x82, 0xA4, 0xFF},
        {"", std::nullopt, std::nullopt, "", 0, 0, 0},
        {std::string(30, 'x'), std::nullopt, std::nullopt, std::string(22, 'x'), 0, 0, 0},
        {std::string("a\0b\xB5", 4), std::nullopt, std::nullopt, std::string("a\0b\xB5", 4), 0, 0, 0},
        {"Lakmo\n3", "820", "1", "Lakmo\n3", 0, 0, 0},                  // too few digits
        {"x", "82045", "012", "x", 0, 0, 0},                           // too many
        {"x", "82G4", "0x", "x", 0, 0, 0},
        {"x", "", "", "x", 0, 0, 0},
    };
    for (const auto& r : rows) {
        const DeviceInfo d = ParseParticipant(id, r.name, r.hints, r.charset);
        EXPECT_EQ(d.Id, id);
        EXPECT_EQ(d.Nickname, r.nickname) << r.name;
        EXPECT_EQ(d.Hints1, r.hints1) << r.name;
        EXPECT_EQ(d.Hints2, r.hints2) << r.name;
        EXPECT_EQ(d.CharSet, r.charSet) << r.name;
    }
}

TEST(IrDADeviceListTest, LayoutOfTheBuffer)
{
    const std::vector<DeviceInfo> devices = {
        {{0x4D, 0x3C, 0x2B, 0x1A}, "Lakmo 3", 0x82, 0x04, 0x01},
        {{1, 0, 0, 0}, std::string(22, 'N'), 0, 0, 0},
    };
    uint8_t buffer[kDeviceListBufferSize];
    std::memset(buffer, 0xEE, sizeof buffer);
    ASSERT_EQ(WriteDeviceList(devices, buffer, sizeof buffer), 4u + 2 * 29);

    uint32_t count;
    std::memcpy(&count, buffer, 4);
    EXPECT_EQ(count, 2u);
    const uint8_t first[29] = {0x4D, 0x3C, 0x2B, 0x1A, 'L', 'a', 'k', 'm', 'o', ' ', '3', 0, 0, 0, 0,
                               0,    0,    0,    0,    0,   0,   0,   0,   0,   0,   0,   0x82, 0x04, 0x01};
    EXPECT_EQ(std::memcmp(buffer + 4, first, 29), 0);
    // A 22-byte nickname fills its field with no terminating zero.
    EXPECT_EQ(std::memcmp(buffer + 4 + 29 + 4, std::string(22, 'N').data(), 22), 0);
    EXPECT_EQ(buffer[4 + 2 * 29], 0xEE);  // nothing written beyond the entries

    EXPECT_EQ(ReadDeviceList(buffer, sizeof buffer), devices);
}

TEST(IrDADeviceListTest, AsManyAsFitAndNoMore)
{
    std::vector<DeviceInfo> devices(60);
    for (size_t i = 0; i < devices.size(); ++i)
        devices[i].Id = DeviceId{static_cast<uint8_t>(i), 0, 0, 0};
    std::vector<uint8_t> buffer(kDeviceListBufferSize);

    const struct {
        size_t size;
        size_t written;
        size_t entries;
    } rows[] = {
        {kDeviceListBufferSize, 4 + 50 * 29, 50},
        {4 + 2 * 29 + 28, 4 + 2 * 29, 2},
        {4, 4, 0},
        {3, 0, 0},
        {0, 0, 0},
    };
    for (const auto& r : rows) {
        std::fill(buffer.begin(), buffer.end(), 0);
        EXPECT_EQ(WriteDeviceList(devices, buffer.data(), r.size), r.written) << r.size;
        const auto back = ReadDeviceList(buffer.data(), r.size);
        ASSERT_EQ(back.size(), r.entries) << r.size;
        for (size_t i = 0; i < back.size(); ++i)
            EXPECT_EQ(back[i].Id, devices[i].Id);
    }
}

TEST(IrDADeviceListTest, ACountBeyondTheBufferReadsOnlyWhatIsThere)
{
    std::vector<uint8_t> buffer(4 + 3 * 29 + 10, 'A');
    const uint32_t count = 0xFFFFFFFF;
    std::memcpy(buffer.data(), &count, 4);
    const auto devices = ReadDeviceList(buffer.data(), buffer.size());
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_EQ(devices[2].Nickname, std::string(22, 'A'));
    EXPECT_TRUE(ReadDeviceList(nullptr, 100).empty());
    EXPECT_TRUE(ReadDeviceList(buffer.data(), 3).empty());
}
