// Arbitrary bytes as ComPorts.ini. Checks: no memory fault; every present port has a
// number of 1 or more, one entry per number, in ascending order; a number the map
// reports for a path leads back to that path; the map's stamp is unknown while the file
// is new.
#include "fuzz/FuzzChecks.h"
#include "platform/ComPortMap.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <unistd.h>

using dabrix::fuzz::Check;

namespace {
// One private folder per process, with an empty fake sysfs so only the map's lines count.
const std::string& Folder()
{
    static const std::string folder = [] {
        char tmpl[] = "/tmp/dabrix-fuzz-comXXXXXX";
        const std::string dir = mkdtemp(tmpl);
        std::filesystem::create_directories(dir + "/sys");
        return dir;
    }();
    return folder;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    {
        std::ofstream out(Folder() + "/ComPorts.ini", std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    dabrix::platform::ComPortMap map(Folder());
    map.SetSysRoot(Folder() + "/sys");
    map.SetDevRoot(Folder() + "/dev");
    std::set<int> numbers;
    int previous = 0;
    for (const auto& port : map.PresentPorts()) {
        Check(port.Number >= 1, "port number below 1");
        Check(port.Number > previous, "ports not in ascending order or listed twice");
        previous = port.Number;
        numbers.insert(port.Number);
        const auto path = map.DevicePathOf(port.Number);
        Check(path.has_value(), "present port has no path");
        Check(map.NumberOfPath(*path) != 0, "present port's path has no number");
    }
    for (int n = 0; n < 40; ++n)
        if (!numbers.count(n))
            map.DevicePathOf(n);
    // The map was written just now: its time is too recent to tell a later change apart.
    Check(!map.ScanStamp(), "a map written just now gave a stamp");
    return 0;
}
