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

QStringList GaugeNamePatterns(int tag)
{
    static const QStringList lakmo3x5 = {QStringLiteral("Gauge_325"), QStringLiteral("Gauge_335"),
                                         QStringLiteral("Gauge_345"), QStringLiteral("Gauge_AC335")};
    static const QStringList lakmoX600 = {
        QStringLiteral("LakmoX600"), QStringLiteral("Lakmo1600"), QStringLiteral("Lakmo_1600"),
        QStringLiteral("Lakmo2600"), QStringLiteral("Lakmo_2600"), QStringLiteral("LK_1600"),
        QStringLiteral("LK_2600"),   QStringLiteral("LK1600"),    QStringLiteral("LK2600")};
    switch (tag) {
    case 2:
        return {QStringLiteral("Lakmo 450"), QStringLiteral("Lakmo_450")};
    case 8:
        return {QStringLiteral("Lakmo3 USB Adapter"), QStringLiteral("Lakmo3 USB Multibox")};
    case 11:
    case 12:
        return lakmo3x5;
    case 13:
        return lakmoX600;
    case 14:
        return QStringList{QStringLiteral("Gauge_x600"), QStringLiteral("Gauge_1600"),
                           QStringLiteral("Gauge_2600")}
               + lakmoX600;
    default:
        return {};
    }
}
