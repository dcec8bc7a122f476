#pragma once
// The gauge models the program knows, one row per Gauge menu Tag (0..14), and the order
// of the Gauge menu.
#include "manager/KTXComm2Types.h"

#include <QStringList>

#include <array>
#include <cstdint>

struct GaugeSetting {
    uint8_t Tag;
    uint32_t BaudRate;
    uint8_t Transport;  // 1 COM port, 2 USB, 3 infrared, 4 Bluetooth, 5 USB virtual COM port
    uint8_t Poll;       // the gauge is asked for data with ENQ while it is silent
    uint8_t Echo;       // received characters are echoed back
};

inline constexpr std::array<GaugeSetting, 15> GaugeTable = {{
    {0, 9600, 1, 0, 0},     // Manual: the baud rate comes from ManualBaud instead
    {1, 1200, 1, 1, 0},
    {2, 1200, 2, 0, 0},
    {3, 9600, 1, 1, 0},
    {4, 9600, 1, 1, 0},
    {5, 1200, 1, 1, 0},
    {6, 9600, 1, 1, 1},
    {7, 9600, 1, 1, 0},
    {8, 57600, 2, 0, 0},
    {9, 57600, 1, 0, 0},
    {10, 57600, 3, 0, 0},
    {11, 57600, 2, 0, 0},
    {12, 115200, 4, 0, 0},
    {13, 115200, 5, 0, 0},
    {14, 115200, 4, 0, 0},
}};

// The row with this Tag, or null for a Tag outside the table.
const GaugeSetting* FindGaugeSetting(int tag);

// The connection's port kind for a transport code (5, the USB virtual COM port, is portCOM).
TPort PortOfTransport(uint8_t transport);

// The port kind the manager must offer for the Gauge menu item of this Tag to be enabled.
TPort GaugeEnabledPort(int tag);

// The device names that identify the gauge of this Tag when the program looks for it, in
// the order they are tried. Empty for the gauges found by their COM port number and for
// the infrared gauge, which is not searched for (the program listens for it instead).
QStringList GaugeNamePatterns(int tag);

// The Gauge menu from top to bottom: a Tag, or GaugeMenuSeparator.
inline constexpr int GaugeMenuSeparator = -1;
inline constexpr std::array<int, 22> GaugeMenuOrder = {
    0, GaugeMenuSeparator, 1, 2, 3, GaugeMenuSeparator, 4, GaugeMenuSeparator, 5, 6,
    GaugeMenuSeparator, 7, GaugeMenuSeparator, 8, 9, 10, GaugeMenuSeparator, 11, 12,
    GaugeMenuSeparator, 13, 14,
};
