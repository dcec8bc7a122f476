// The rules that hold across the rows of the gauge table: each Tag once in the table and
// in the Gauge menu, and what the window derives from a row.
#include "app/gauge/GaugeTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace {

TEST(GaugeTable, EveryTagHasOneRowAndOneMenuItem)
{
    std::set<int> rows;
    for (const GaugeSetting& row : GaugeTable)
        EXPECT_TRUE(rows.insert(row.Tag).second) << "Tag " << int(row.Tag) << " twice";
    std::multiset<int> menu;
    for (int tag : GaugeMenuOrder) {
        if (tag != GaugeMenuSeparator)
            menu.insert(tag);
    }
    EXPECT_EQ(std::set<int>(menu.begin(), menu.end()), rows);
    EXPECT_EQ(menu.size(), rows.size());
    EXPECT_EQ(FindGaugeSetting(15), nullptr);
    EXPECT_EQ(FindGaugeSetting(-1), nullptr);
    EXPECT_EQ(GaugeEnabledPort(15), portNone);
}

TEST(GaugeTable, EachRowIsConsistent)
{
    for (const GaugeSetting& row : GaugeTable) {
        SCOPED_TRACE(row.Tag);
        EXPECT_NE(row.Caption.Text, nullptr);
        // Only the USB-VCP gauge is offered by another port kind than the one it runs on.
        if (row.Transport != gtUSBVirtualCOM) {
            EXPECT_EQ(row.EnabledBy, PortOfTransport(row.Transport));
        }
        // Gauges on a COM port of their own are found by its number, the others by name.
        EXPECT_EQ(row.Search == gsComPort, row.Transport == gtCOM);
        EXPECT_EQ(row.Names.empty(), row.Search == gsComPort);
        EXPECT_EQ(GaugeNamePatterns(row.Tag).isEmpty(), row.Search != gsNames);
        // Line assembly, polling and echo belong to the character-stream gauges.
        if (row.Data == gdText) {
            EXPECT_TRUE(row.Poll == gpNone && row.Echo == geNone);
        }
        if (row.WakeUp == gwInfraredAdapter) {
            EXPECT_EQ(row.Transport, gtCOM);
        }
    }
}

TEST(GaugeTable, TheBluetoothX600TriesItsOwnNamesBeforeThoseOfTheUsbModel)
{
    const QStringList bluetooth = GaugeNamePatterns(14);
    const QStringList usb = GaugeNamePatterns(13);
    ASSERT_EQ(bluetooth.size(), usb.size() + 3);
    EXPECT_EQ(bluetooth.mid(0, 3), (QStringList{"Gauge_x600", "Gauge_1600", "Gauge_2600"}));
    EXPECT_EQ(bluetooth.mid(3), usb);
    EXPECT_EQ(GaugeNamePatterns(12), GaugeNamePatterns(11));
}

} // namespace
