#include "app/gauge/GaugeTable.h"

const GaugeSetting* FindGaugeSetting(int tag)
{
    for (const GaugeSetting& row : GaugeTable) {
        if (row.Tag == tag)
            return &row;
    }
    return nullptr;
}

TPort PortOfTransport(TGaugeTransport transport)
{
    switch (transport) {
    case gtCOM:
    case gtUSBVirtualCOM:
        return portCOM;
    case gtUSB:
        return portUSB;
    case gtIrDA:
        return portIrDA;
    case gtBluetooth:
        return portBT;
    }
    return portNone;
}

TPort GaugeEnabledPort(int tag)
{
    const GaugeSetting* row = FindGaugeSetting(tag);
    return row ? row->EnabledBy : portNone;
}

QStringList GaugeNamePatterns(int tag)
{
    const GaugeSetting* row = FindGaugeSetting(tag);
    QStringList names;
    if (!row || row->Search != gsNames)
        return names;
    for (const char* name : row->Names)
        names.append(QString::fromLatin1(name));
    return names;
}
