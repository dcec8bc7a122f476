#include "manager/KTXComm2Types.h"

#include <gtest/gtest.h>

TEST(ErrMsgText, EveryCodeHasItsTextAndResourceId)
{
    struct Case {
        int code;
        const char* text;
        int id;
    };
    const Case cases[] = {
        {0, "", 0},
        {1, "Port not exists !", 65311},
        {2, "Port not active !", 65280},
        {3, "Device list is empty !", 65281},
        {4, "No Device !", 65282},
        {5, "Timeout !", 65284},
        {6, "CYC-Timeout !", 65285},
        {7, "Device not found !", 65283},
        {8, "Receive buffer full !", 65286},
        {9, "Unknown command !", 65287},
        {10, "Wrong address !", 65288},
        {11, "Bad checksum !", 65289},
        {12, "NAK !", 65290},
        {13, "Bad command line !", 65291},
        {14, "Unable to stop CYC mode!", 65292},
        {15, "Connection error!", 65293},
        {16, "Data send error!", 65294},
        {17, "Device not disconnected!", 65295},
        {18, "", 0},
        {-1, "", 0},
        {255, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(ErrMsgText(c.code), QString::fromLatin1(c.text));
        EXPECT_EQ(ErrMsgResourceId(c.code), c.id);
    }
}

TEST(TDevice, SameDeviceIgnoresDescriptionPairedConnectedAndHandle)
{
    TDevice a;
    a.Name = "Communications Port (COM3)";
    a.Info = "COM3";
    a.PortNumber = 3;
    a.Handle = -1;
    a.Connected = true;

    TDevice b = a;
    b.Description = "USB Serial";
    b.Paired = true;
    b.Connected = false;
    b.Handle = 7;
    EXPECT_TRUE(a.SameDevice(b));

    // Each compared field on its own makes the devices differ; strings are case-sensitive.
    const std::vector<std::function<void(TDevice&)>> changes = {
        [](TDevice& d) { d.Name = "communications port (COM3)"; },
        [](TDevice& d) { d.SerialNo = "X"; },
        [](TDevice& d) { d.Info = "COM4"; },
        [](TDevice& d) { d.ID = 1; },
        [](TDevice& d) { d.PortNumber = 4; },
        [](TDevice& d) { d.Address = "COM3"; },
        [](TDevice& d) { d.DeviceID = "\\\\?\\USB"; },
    };
    for (size_t i = 0; i < changes.size(); ++i) {
        SCOPED_TRACE(i);
        TDevice c = a;
        changes[i](c);
        EXPECT_FALSE(a.SameDevice(c));
        EXPECT_FALSE(c.SameDevice(a));
    }
}

TEST(TPorts, SetOperations)
{
    TPorts ports{portCOM, portUSB};
    EXPECT_TRUE(ports.Contains(portCOM));
    EXPECT_TRUE(ports.Contains(portUSB));
    EXPECT_FALSE(ports.Contains(portBT));
    EXPECT_FALSE(ports.Contains(portNone));
    EXPECT_EQ(ports.Bits(), (1 << 1) | (1 << 2));
    ports.Exclude(portCOM);
    ports.Include(portBT);
    EXPECT_EQ(ports, (TPorts{portUSB, portBT}));
    EXPECT_FALSE(ports.Empty());
    EXPECT_TRUE(TPorts{}.Empty());
}

TEST(TBuffer, AssignCutsAt255AndComparesOnlyTheCountedBytes)
{
    std::vector<uint8_t> bytes(300);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i);
    TBuffer buffer;
    EXPECT_EQ(buffer.Assign(bytes.data(), bytes.size()), 255u);
    EXPECT_EQ(buffer.Count(), 255);
    EXPECT_EQ(buffer[1], 0);
    EXPECT_EQ(buffer[255], 254);

    TBuffer a, b;
    const uint8_t abc[] = {0x41, 0x42, 0x43};
    a.Assign(abc, 3);
    b.Assign(abc, 3);
    b[10] = 0x99; // beyond the count: not part of the value
    EXPECT_TRUE(a == b);
    b[3] = 0x44;
    EXPECT_FALSE(a == b);
}

TEST(TTelegramData, IsPackedInFieldOrder)
{
    EXPECT_EQ(sizeof(TTelegramData), 4u + 4u + 1u + 1u + 1u + 1u + 1u + 256u);
    EXPECT_EQ(offsetof(TTelegramData, SourceAdr), 8u);
    EXPECT_EQ(offsetof(TTelegramData, Data), 13u);
}
