#pragma once
// Readable test output for the stack's values.
#include "platform/bluetooth/BluetoothStack.h"

#include <ostream>

namespace dabrix::platform {

inline void PrintTo(const BluetoothDeviceInfo& d, std::ostream* os)
{
    *os << "{" << BluetoothAddressHex(d.Address) << " \"" << d.Name.toStdString() << "\" class " << std::hex
        << d.ClassOfDevice << std::dec << (d.Paired ? " paired" : "") << (d.Connected ? " connected" : "") << "}";
}

inline void PrintTo(BluetoothResult r, std::ostream* os) { *os << BluetoothResultText(r); }

} // namespace dabrix::platform
