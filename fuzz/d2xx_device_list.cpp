// Arbitrary bytes as the records of the USB bridge's device list. Checks: no memory
// fault (fields without a terminating NUL included); names and serial numbers never run
// past their fields; entries come out sorted by name, then serial number.
#include "fuzz/FuzzChecks.h"
#include "manager/USBIdentification.h"

#include <cstring>
#include <vector>

using dabrix::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<FT_DEVICE_LIST_INFO_NODE> nodes(size / sizeof(FT_DEVICE_LIST_INFO_NODE));
    if (!nodes.empty())
        std::memcpy(nodes.data(), data, nodes.size() * sizeof(FT_DEVICE_LIST_INFO_NODE));
    TDevices gauges;
    for (const auto& node : nodes) {
        const TDevice g = dabrix::manager::GaugeEntryOf(node);
        Check(g.Name.size() <= sizeof node.Description || g.Name == "No device information", "name too long");
        Check(g.SerialNo.size() <= sizeof node.SerialNumber, "serial number too long");
        Check(g.Handle == -1 && g.Connected, "gauge entry fields");
        Check((node.ID == 0) == (g.Info == "IN USE" && g.ID == 0) || node.ID != 0, "in-use entry");
        gauges.push_back(g);
    }
    dabrix::manager::SortGauges(gauges);
    for (size_t i = 1; i < gauges.size(); ++i) {
        const TDevice& a = gauges[i - 1];
        const TDevice& b = gauges[i];
        Check(a.Name < b.Name || (a.Name == b.Name && a.SerialNo <= b.SerialNo), "gauges not sorted");
    }
    return 0;
}
