#pragma once
// What a connection item needs from the component that owns its collection (the
// device manager). The manager implements it; the item never sees the manager's class.
#include "manager/KTXComm2Types.h"

#include <cstdint>

class TKTXComm2Item;
class TlnkBluetoothRadio;

class TKTXComm2Host {
public:
    virtual ~TKTXComm2Host() = default;

    // Turns an item's error code into its text, raises the manager's OnError and, when
    // enabled, shows the text. May be called on the USB receive thread.
    virtual QString ReportError(TKTXComm2Item* Item, TErrMsg ErrMsg) = 0;

    // The manager's current list for a port kind (a copy); empty for portNone.
    virtual TDevices DeviceList(TPort Port) const = 0;

    // Frequency of the high-resolution counter, 0 when there is none.
    virtual int64_t CounterFrequency() const = 0;

    // Restarts the infrared poll timer (before an infrared connect).
    virtual void RestartIrDATimer() = 0;

    // The radio chosen when Bluetooth discovery was switched on, or null.
    virtual const TlnkBluetoothRadio* BTRadio() const = 0;

    // Whether failures show a message box (the USB link's D2XX error boxes follow it).
    virtual bool ShowErrorMsg() const { return false; }
};
