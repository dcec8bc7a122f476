#pragma once
// The transport under a connection item, one implementation per family of port kinds:
// the client connection for COM ports, infrared and Bluetooth (ClientLink.h) and the
// bridge chip for USB (UsbItemLink.h). The item picks the link for its port; the link
// does the transport's mechanics (names and finds the port kind's devices, fills its
// parameters from the chosen device, opens, closes, writes, switches a line). What the
// item makes of the results (link state, notifications, error codes and reports) stays
// with the item.
//
// Threading: the item's owner thread calls every member, except Write, which also runs
// on a USB link's receive thread (replies sent from inside the receiver).
#include "manager/KTXComm2Types.h"

#include <QString>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace dabrix::comm {

// What a link is opened with: the item's properties at the time of Connect.
struct LinkSettings {
    uint32_t BaudRate = 57600;
    uint32_t USBLatency = 10;        // ms
    uint32_t ReceiveTimeout = 1000;  // ms, read and write time-out
    bool ShowErrors = false;         // failures of the bridge chip's calls show a message box
};

// Raised by a COM port link's Matches when a name has text that is not a number after
// "COM" (the conversion error of the original framework: "'x' is not a valid integer value").
class ConvertError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// One switch of a modem-control line.
enum class LineCommand : uint8_t { SetBreak, ClearBreak, SetDTR, ClearDTR, SetRTS, ClearRTS };

class ItemLink {
public:
    virtual ~ItemLink() = default;

    // The chosen device's name for the item's DeviceName.
    virtual std::string DeviceName(const TDevice& Entry) const = 0;
    // Whether the entry is the device that Name (already upper case), as a user typed or
    // saw it, stands for.
    virtual bool Matches(const TDevice& Entry, const QString& Name) const = 0;

    // Whether the link raises its own connect and disconnect events (the client
    // connection's OnConnect after an Open, its OnDisconnect from inside a Close).
    // Otherwise an Open or Close that succeeds is complete when it returns.
    virtual bool RaisesOwnEvents() const = 0;
    // Whether an Open may start: no earlier attempt under way and nothing open that an
    // Open would not replace.
    virtual bool Idle() const = 0;
    // Opens the link to Device (the item's chosen device record, which a link may mark
    // with its handle). 0 when the link is open or its attempt has started, else the
    // transport's code; the transport's own message for it has been shown.
    virtual int Open(TDevice& Device, const LinkSettings& Settings) = 0;
    // Ends an open link or an attempt under way. False when there was none.
    virtual bool Close(TDevice& Device) = 0;
    // 0 when every byte went out, else the transport's code.
    virtual int Write(const uint8_t* Data, uint32_t Count) = 0;
    // Switches a modem-control line where the transport has them; the result is not
    // examined.
    virtual void SetControlLine(LineCommand Command) = 0;
};

// A device record's text field as the characters U+0000..U+00FF.
inline QString Latin1(const std::string& Text)
{
    return QString::fromLatin1(Text.data(), static_cast<qsizetype>(Text.size()));
}

} // namespace dabrix::comm
