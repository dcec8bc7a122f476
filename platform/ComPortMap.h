#pragma once
// The COM port map: gives every serial device of the machine a stable "COM<n>" number.
//
// The map is <folder>/ComPorts.ini, section [Ports], one line COM<n>=<path> per port.
//   - ttyS<n> whose UART exists is COM<n+1> and needs no line;
//   - every other serial tty (ttyUSB*, ttyACM*, rfcomm*, ...) gets the lowest free number
//     from 3 up when it is first seen, and a line with its stable path (its
//     /dev/serial/by-id name where there is one), so an adapter keeps its number when it
//     is plugged in again. A line written with the kernel name because the tty was seen
//     before udev made its by-id link gets the link's name instead, keeping its number;
//   - users and the gauge simulator add lines of their own (a pseudo-terminal, a symlink);
//     lines written by others are kept.
// A port is present while its path exists (symlinks resolved).
//
// Several processes (the program, the simulator) write the file. Each change takes an
// exclusive flock on <folder>/ComPorts.ini.lock, re-reads the file, and replaces it
// atomically, so no writer loses another's line and no reader sees a half-written file.
//
// Threads: an object holds no state besides its folder and roots (and what ScanStamp keeps);
// every other call reads the file afresh. Separate objects may be used on separate threads
// at the same time.
#include "platform/ConfigFolder.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dabrix::platform {

struct ComPortEntry {
    int Number = 0;            // n of COM<n>
    std::string DevicePath;    // the device node now, symlinks resolved (/dev/ttyUSB0, /dev/pts/4)
    std::string StablePath;    // the map's path for it (/dev/serial/by-id/..., or the device path)
    std::string FriendlyName;  // "Communications Port (COM3)" or "<USB model> (COM3)"
    std::string Description;   // the USB product string of a USB serial device, else empty
    std::string SysfsDevice;   // sysfs path of the tty's hardware device (resolved), empty for
                               // a tty without one (pseudo-terminal); a USB device is an ancestor
    std::string UsbDevice;     // sysfs path of the nearest USB device above it (the adapter or
                               // gauge, never a hub above that), empty when none
};

class ComPortMap {
public:
    explicit ComPortMap(std::string folder = ConfigFolder());

    const std::string& Folder() const { return folder_; }
    std::string FilePath() const;  // <folder>/ComPorts.ini

    // The device path of COMn when that port is present now (path exists, symlinks
    // resolved); nothing for an unknown number or a port whose path is gone.
    std::optional<std::string> DevicePathOf(int comNumber) const;

    // The COM number whose line (or ttyS<n> rule) leads to the same device as `path`
    // (compared after resolving symlinks, also for lines whose path is gone: then
    // compared as written). 0 when none does.
    int NumberOfPath(const std::string& path) const;

    // Adds a line for `path` (lowest free number from 3 up) unless one leads to it
    // already; returns its COM number, or 0 when the map cannot be written.
    int Register(const std::string& path);

    // Makes COM<number> the line for `path`, replacing a line of that number: for a
    // program that offers a port under a number of its choosing (a virtual COM port).
    // False when the map cannot be written.
    bool Assign(int number, const std::string& path);

    // Removes the line COM<number>. Lines of other numbers are kept.
    void Unregister(int number);

    // Scans the system: the ttyS ports whose UART exists, every other serial tty found in
    // sysfs (registering new ones as above) and the map's present lines, ordered by
    // number. Cheap enough to run once a second: the file is written only when a new tty
    // has appeared or a line gets its by-id name.
    std::vector<ComPortEntry> PresentPorts();

    // A fingerprint of what PresentPorts reads, a fraction of the scan's cost: the tty names
    // in sysfs (unless <dev> is devtmpfs, where a tty's node comes and goes with it), the
    // times of <dev> and <dev>/serial/by-id (a node or link made or removed there changes
    // them), the map file, and the file each line leads to now. While the
    // stamp stays equal a scan would find what the last one found; a watcher once a second
    // can skip it then. Not covered: a UART's type set anew by setserial and a USB device's
    // strings, which do not change while a tty stays. Nothing when one of the times is
    // too recent: a second change within the same clock tick would leave it as it is.
    // Keeps the map's lines between calls and reads them again when the file has changed.
    std::optional<std::string> ScanStamp();

    // Whether the file system mounted at `folder` is devtmpfs, told by the text of
    // /proc/self/mountinfo (the last mount at a folder hides those before it).
    static bool IsDevtmpfs(std::string_view mountinfo, std::string_view folder);

    // Where the scan looks; tests point these at a fake tree.
    void SetSysRoot(std::string sysClassTty) { sysClassTty_ = std::move(sysClassTty); }
    void SetDevRoot(std::string dev) { dev_ = std::move(dev); }

private:
    std::string folder_;
    std::string stampedFile_;                 // the map file's state when its lines were read
    std::vector<std::string> stampedPaths_;  // the paths of those lines
    std::optional<bool> devIsDevtmpfs_;      // <dev>, looked up once
    std::string sysClassTty_ = "/sys/class/tty";
    std::string dev_ = "/dev";
};

} // namespace dabrix::platform
