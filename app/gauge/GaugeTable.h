#pragma once
// What the program knows about each gauge model: one row per Gauge menu Tag (0..14), and
// the order of the Gauge menu. A new gauge is a new row; the window asks the row, never
// the Tag, how to treat the gauge.
#include "manager/KTXComm2Types.h"

#include <QStringList>

#include <array>
#include <cstdint>
#include <span>

// The link a gauge uses. The values are the codes of the Port menu's rules.
enum TGaugeTransport : uint8_t {
    gtCOM = 1,
    gtUSB = 2,
    gtIrDA = 3,
    gtBluetooth = 4,
    gtUSBVirtualCOM = 5,  // a COM port that a USB bridge provides
};

// Whether the gauge must be asked for data with ENQ while it is silent.
enum TGaugePoll : uint8_t { gpNone = 0, gpENQ = 1 };

// Whether every received character is sent back to the gauge.
enum TGaugeEcho : uint8_t { geNone = 0, geChars = 1 };

// What the gauge's telegrams hold.
enum TGaugeData : uint8_t {
    gdCharacters,  // a character stream, assembled into lines by the window
    gdText,        // finished text, shown as it comes
};

// How the program looks for the gauge when the user connects.
enum TGaugeSearch : uint8_t {
    gsComPort,        // the device on the chosen COM port
    gsNames,          // a device whose name or description holds one of the row's names
    gsIrDAListener,   // none: the program listens for the gauge; when a discovery completes,
                      // the device with the row's first name is connected
};

// What is done with the COM port's control lines once the link is open.
enum TGaugeWakeUp : uint8_t {
    gwControlLines,     // DTR set, RTS cleared
    gwInfraredAdapter,  // the lines power an infrared adapter: switched off and on again
};

// Whether a lost link is opened again while the window still searches for the gauge.
enum TGaugeReopen : uint8_t { grNever, grEleventhTick };

// The Gauge menu caption: a product name as it stands, or a text of the program's that a
// language module translates (in the main window's context).
struct GaugeCaption {
    const char* Text;
    bool Translated;
};

struct GaugeSetting {
    uint8_t Tag;
    uint32_t BaudRate;  // Manual (Tag 0) takes the user's ManualBaud instead
    TGaugeTransport Transport;
    TGaugePoll Poll;
    TGaugeEcho Echo;

    GaugeCaption Caption;
    TPort EnabledBy;  // the port kind the manager must offer for the menu item to be enabled
    TGaugeData Data;
    TGaugeSearch Search;
    std::span<const char* const> Names;  // tried in this order
    TGaugeWakeUp WakeUp;
    TGaugeReopen Reopen;
};

namespace dabrix::gauge_names {
inline constexpr const char* kLakmo450[] = {"Lakmo 450", "Lakmo_450"};
inline constexpr const char* kLakmo3Usb[] = {"Lakmo3 USB Adapter", "Lakmo3 USB Multibox"};
inline constexpr const char* kLakmo3Infrared[] = {"Lakmo 3"};
inline constexpr const char* kLakmo3x5[] = {"Gauge_325", "Gauge_335", "Gauge_345", "Gauge_AC335"};
inline constexpr const char* kLakmoX600[] = {"LakmoX600", "Lakmo1600", "Lakmo_1600", "Lakmo2600", "Lakmo_2600",
                                             "LK_1600",   "LK_2600",   "LK1600",     "LK2600"};
// The Bluetooth module's own names come first, then those of the USB-VCP model.
inline constexpr const char* kLakmo2600Bluetooth[] = {
    "Gauge_x600", "Gauge_1600", "Gauge_2600", "LakmoX600", "Lakmo1600", "Lakmo_1600",
    "Lakmo2600",  "Lakmo_2600", "LK_1600",    "LK_2600",   "LK1600",    "LK2600"};
} // namespace dabrix::gauge_names

inline constexpr std::array<GaugeSetting, 15> GaugeTable = {{
    // Tag, baud, transport, poll, echo, caption, enabled by, data, search, names, wake-up, re-open
    {0, 9600, gtCOM, gpNone, geNone, {QT_TRANSLATE_NOOP("TMainForm", "Manual"), true}, portCOM, gdCharacters, gsComPort, {},
     gwControlLines, grNever},
    {1, 1200, gtCOM, gpENQ, geNone, {"Lakmo (10...70)", false}, portCOM, gdCharacters, gsComPort, {},
     gwControlLines, grNever},
    {2, 1200, gtUSB, gpNone, geNone, {"Lakmo 450 (USB)", false}, portUSB, gdCharacters, gsNames,
     dabrix::gauge_names::kLakmo450, gwControlLines, grNever},
    {3, 9600, gtCOM, gpENQ, geNone, {"Lakmo (101...410) / Sonavel 2", false}, portCOM, gdCharacters,
     gsComPort, {}, gwControlLines, grNever},
    {4, 9600, gtCOM, gpENQ, geNone, {"Lakmo HX (200...410)", false}, portCOM, gdCharacters, gsComPort, {},
     gwControlLines, grNever},
    {5, 1200, gtCOM, gpENQ, geNone, {QT_TRANSLATE_NOOP("TMainForm", "Pricor (Cable)"), true}, portCOM, gdCharacters, gsComPort, {},
     gwControlLines, grNever},
    {6, 9600, gtCOM, gpENQ, geChars, {QT_TRANSLATE_NOOP("TMainForm", "Pricor (Infraredadapter at COM)"), true}, portCOM, gdCharacters,
     gsComPort, {}, gwInfraredAdapter, grNever},
    {7, 9600, gtCOM, gpENQ, geNone, {"Layrix (400, 410)", false}, portCOM, gdCharacters, gsComPort, {},
     gwControlLines, grNever},
    {8, 57600, gtUSB, gpNone, geNone, {"Lakmo 3X00 / Sonavel 3 (USB)", false}, portUSB, gdText, gsNames,
     dabrix::gauge_names::kLakmo3Usb, gwControlLines, grNever},
    {9, 57600, gtCOM, gpNone, geNone, {"Lakmo 3X00 / Sonavel 3 (COM)", false}, portCOM, gdCharacters,
     gsComPort, {}, gwControlLines, grNever},
    {10, 57600, gtIrDA, gpNone, geNone, {QT_TRANSLATE_NOOP("TMainForm", "Lakmo 3X0/3X00 / Sonavel 3 (Infrared)"), true}, portIrDA, gdText,
     gsIrDAListener, dabrix::gauge_names::kLakmo3Infrared, gwControlLines, grNever},
    {11, 57600, gtUSB, gpNone, geNone, {"Lakmo 3X5 (USB)", false}, portUSB, gdText, gsNames,
     dabrix::gauge_names::kLakmo3x5, gwControlLines, grNever},
    {12, 115200, gtBluetooth, gpNone, geNone, {"Lakmo 3X5 Bluetooth", false}, portBT, gdText, gsNames,
     dabrix::gauge_names::kLakmo3x5, gwControlLines, grEleventhTick},
    // Runs over the COM port of a USB bridge, but is offered while USB is.
    {13, 115200, gtUSBVirtualCOM, gpNone, geNone, {"Lakmo 1600/2600 (USB-VCP)", false}, portUSB, gdText,
     gsNames, dabrix::gauge_names::kLakmoX600, gwControlLines, grNever},
    {14, 115200, gtBluetooth, gpNone, geNone, {"Lakmo 2600 Bluetooth", false}, portBT, gdText, gsNames,
     dabrix::gauge_names::kLakmo2600Bluetooth, gwControlLines, grNever},
}};

// The row with this Tag, or null for a Tag outside the table.
const GaugeSetting* FindGaugeSetting(int tag);

// The connection's port kind for a transport (the USB virtual COM port is portCOM).
TPort PortOfTransport(TGaugeTransport transport);

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
