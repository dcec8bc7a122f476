#include "platform/UsbBus.h"

#include <cstdio>
#include <cstdlib>
#include <strings.h>

namespace dabrix::platform {

std::string UsbInterfacePath(uint16_t vid, uint16_t pid, const std::string& instance)
{
    char head[40];
    std::snprintf(head, sizeof head, "\\\\?\\USB#VID_%04X&PID_%04X#", vid, pid);
    return head + instance + "#{A5DCBF10-6530-11D2-901F-00C04FB951ED}";
}

std::unique_ptr<UsbBus> CreateUsbBus(const std::string& comMapFolder)
{
    if (const char* sim = std::getenv("DABRIX_USB_SIM"); sim && *sim)
        return CreateSimulatedUsbBus(sim);
    return CreateUdevUsbBus(comMapFolder);
}

} // namespace dabrix::platform
