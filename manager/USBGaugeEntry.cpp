// Gauge entries from the USB bridge's device list records; kept apart from the bus and
// discovery code so the record handling can be fuzzed on its own.
#include "comm/d2xx/D2XXUnit.h"
#include "manager/USBIdentification.h"

#include <algorithm>

namespace dabrix::manager {

TDevice GaugeEntryOf(const FT_DEVICE_LIST_INFO_NODE& node)
{
    TDevice d;
    if (node.ID != 0) {
        d.Name = comm::d2xx::NodeDescription(node);
        d.SerialNo = comm::d2xx::NodeSerialNumber(node);
        d.Info = d.Name;
        d.ID = static_cast<int32_t>(node.ID);
    } else {
        d.Name = "No device information";
        d.SerialNo = "------";
        d.Info = "IN USE";
    }
    d.Connected = true;
    d.Handle = -1;
    return d;
}

void SortGauges(TDevices& gauges)
{
    std::stable_sort(gauges.begin(), gauges.end(), [](const TDevice& a, const TDevice& b) {
        return a.Name != b.Name ? a.Name < b.Name : a.SerialNo < b.SerialNo;
    });
}

} // namespace dabrix::manager
