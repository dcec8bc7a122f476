#include "app/GaugeTable.h"

const GaugeSetting* FindGaugeSetting(int tag)
{
    for (const GaugeSetting& row : GaugeTable) {
        if (row.Tag == tag)
            return &row;
    }
    return nullptr;
}

TPort PortOfTransport(uint8_t transport)
{
    switch (transport) {
    case 1:
    case 5:
        return portCOM;
    case 2:
        return portUSB;
    case 3:
        return portIrDA;
    case 4:
        return portBT;
    default:
        return portNone;
    }
}

TPort GaugeEnabledPort(int tag)
{
    // Tag 13 runs over the virtual COM port of a USB bridge, but the item follows USB.
    if (tag == 13)
        return portUSB;
    const GaugeSetting* row = FindGaugeSetting(tag);
    return row ? PortOfTransport(row->Transport) : portNone;
}
