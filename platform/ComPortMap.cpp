#include "platform/ComPortMap.h"

#include "platform/ProfileFile.h"
#include "platform/SysfsFiles.h"

#include <libudev.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dabrix::platform {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view PortsSection = "Ports";

struct MapLine {
    int number = 0;
    std::string path;
};

std::optional<std::string> Resolve(const std::string& path)
{
    if (path.empty())
        return std::nullopt;
    char buffer[PATH_MAX];
    if (!::realpath(path.c_str(), buffer))
        return std::nullopt;
    return std::string(buffer);
}

// "COM<n>" with decimal digits only and n >= 1, letters in any case.
int ComNumberOfKey(std::string_view key)
{
    if (key.size() < 4 || (key[0] | 0x20) != 'c' || (key[1] | 0x20) != 'o' || (key[2] | 0x20) != 'm')
        return 0;
    const std::string_view digits = key.substr(3);
    if (digits.find_first_not_of("0123456789") != std::string_view::npos)
        return 0;
    return ParseProfileInteger(digits).value_or(0);
}

std::string ComKey(int number)
{
    return "COM" + std::to_string(number);
}

// The map's lines in file order; a number that appears twice counts once (the first).
std::vector<MapLine> LinesOf(const ProfileText& text)
{
    std::vector<MapLine> lines;
    std::set<int> seen;
    for (const auto& [key, value] : text.Section(PortsSection)) {
        const int number = ComNumberOfKey(key);
        if (number > 0 && !value.empty() && seen.insert(number).second)
            lines.push_back({number, value});
    }
    return lines;
}

bool StartsWith(std::string_view s, std::string_view prefix)
{
    return s.substr(0, prefix.size()) == prefix;
}

// The kernel's ttys that never stand for a serial line: the virtual consoles (tty<n>),
// the current terminal and the console. Told by name, so the scan once a second does not
// look into sysfs for each of the dozens of consoles.
bool IsConsoleTtyName(std::string_view name)
{
    if (name == "console" || name == "ptmx")
        return true;
    return StartsWith(name, "tty") && name.find_first_not_of("0123456789", 3) == std::string_view::npos;
}

// n for a name ttyS<n>; -1 for any other name.
int UartIndexOfName(std::string_view name)
{
    if (!StartsWith(name, "ttyS") || name.size() == 4
        || name.find_first_not_of("0123456789", 4) != std::string_view::npos)
        return -1;
    const int index = ParseProfileInteger(name.substr(4)).value_or(-1);
    return index == INT_MAX ? -1 : index;  // COM<n+1> must fit
}

// Holds an exclusive flock on <folder>/ComPorts.ini.lock while it lives.
class MapLock {
public:
    explicit MapLock(const std::string& folder)
    {
        fd_ = ::open((folder + "/ComPorts.ini.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd_ < 0)
            return;
        while (::flock(fd_, LOCK_EX) != 0) {
            if (errno != EINTR) {
                ::close(fd_);
                fd_ = -1;
                return;
            }
        }
    }
    ~MapLock()
    {
        if (fd_ >= 0)
            ::close(fd_);  // closing releases the lock
    }
    MapLock(const MapLock&) = delete;
    MapLock& operator=(const MapLock&) = delete;

private:
    int fd_ = -1;
};

// Model names of USB devices from the udev database (the hardware database works without
// a running udev daemon too).
class UdevModels {
public:
    UdevModels() = default;
    ~UdevModels()
    {
        if (hwdb_)
            udev_hwdb_unref(hwdb_);
        if (udev_)
            udev_unref(udev_);
    }
    UdevModels(const UdevModels&) = delete;
    UdevModels& operator=(const UdevModels&) = delete;

    std::string ModelOf(const std::string& usbSysPath, const std::string& vid, const std::string& pid)
    {
        if (!udev_ && !(udev_ = udev_new()))
            return {};
        std::string model;
        if (udev_device* device = udev_device_new_from_syspath(udev_, usbSysPath.c_str())) {
            if (const char* value = udev_device_get_property_value(device, "ID_MODEL_FROM_DATABASE"))
                model = value;
            udev_device_unref(device);
        }
        if (model.empty() && !vid.empty() && !pid.empty()) {
            if (!hwdb_)
                hwdb_ = udev_hwdb_new(udev_);
            if (hwdb_) {
                std::string modalias = "usb:v" + vid + "p" + pid;
                std::transform(modalias.begin() + 5, modalias.end(), modalias.begin() + 5, ::toupper);
                udev_list_entry* entry = udev_hwdb_get_properties_list_entry(hwdb_, modalias.c_str(), 0);
                if (udev_list_entry* found = udev_list_entry_get_by_name(entry, "ID_MODEL_FROM_DATABASE"))
                    if (const char* value = udev_list_entry_get_value(found))
                        model = value;
            }
        }
        return model;
    }

private:
    udev* udev_ = nullptr;
    udev_hwdb* hwdb_ = nullptr;
};

// The nearest USB device (a sysfs directory with idVendor) above a tty's hardware device:
// the adapter or gauge itself, never the hub it is plugged into.
std::optional<std::string> UsbAncestor(std::string path)
{
    for (int depth = 0; depth < 12 && path.size() > 1; ++depth) {
        struct stat st {};
        if (::stat((path + "/idVendor").c_str(), &st) == 0)
            return path;
        path = fs::path(path).parent_path().string();
    }
    return std::nullopt;
}

void Describe(ComPortEntry& entry, UdevModels& models)
{
    std::string model;
    if (!entry.SysfsDevice.empty()) {
        if (const auto usb = UsbAncestor(entry.SysfsDevice)) {
            entry.UsbDevice = *usb;
            entry.Description = ReadFirstLine(*usb + "/product");
            model = models.ModelOf(*usb, ReadFirstLine(*usb + "/idVendor"),
                                   ReadFirstLine(*usb + "/idProduct"));
            if (model.empty())
                model = entry.Description;
        }
    }
    if (model.empty())
        model = "Communications Port";
    entry.FriendlyName = model + " (COM" + std::to_string(entry.Number) + ")";
}

} // namespace

ComPortMap::ComPortMap(std::string folder)
    : folder_(std::move(folder))
{
}

std::string ComPortMap::FilePath() const
{
    return folder_ + "/ComPorts.ini";
}

namespace {

// What the scans share: the sysfs and /dev roots of one ComPortMap.
struct Roots {
    const std::string& sys;
    const std::string& dev;

    bool UartExists(int index) const
    {
        const std::string type = ReadFirstLine(sys + "/ttyS" + std::to_string(index) + "/type");
        return ParseProfileInteger(type).value_or(0) != 0;
    }

    // COM<n+1> for a resolved device path <dev>/ttyS<n> whose UART exists; 0 otherwise.
    int UartNumberOf(const std::optional<std::string>& resolved) const
    {
        if (!resolved)
            return 0;
        const fs::path p(*resolved);
        const int index = UartIndexOfName(p.filename().string());
        if (index < 0 || Resolve(dev) != p.parent_path().string() || !UartExists(index))
            return 0;
        return index + 1;
    }

    std::string SysfsDeviceOf(const std::string& ttyName) const
    {
        // Most ttys (virtual consoles) have no device link; a cheap lstat tells so before
        // the costlier resolution, which matters for a scan once a second.
        const std::string link = sys + "/" + ttyName + "/device";
        struct stat st {};
        if (::lstat(link.c_str(), &st) != 0)
            return {};
        return Resolve(link).value_or(std::string());
    }

    // Numbers taken by ttyS ports whose UART exists.
    std::set<int> UartNumbers() const
    {
        std::set<int> numbers;
        for (const std::string& name : NamesIn(sys)) {
            const int index = UartIndexOfName(name);
            if (index >= 0 && UartExists(index))
                numbers.insert(index + 1);
        }
        return numbers;
    }
};

// The line that leads to `path` or its resolved form `resolved`: one naming either as
// written, else one whose path resolves to the same device.
const MapLine* LineFor(const std::vector<MapLine>& lines, const std::string& path,
                       const std::optional<std::string>& resolved)
{
    for (const MapLine& line : lines)
        if (line.path == path || (resolved && line.path == *resolved))
            return &line;
    if (resolved) {
        for (const MapLine& line : lines)
            if (Resolve(line.path) == resolved)
                return &line;
    }
    return nullptr;
}

int LineNumberFor(const std::vector<MapLine>& lines, const std::string& path,
                  const std::optional<std::string>& resolved)
{
    const MapLine* line = LineFor(lines, path, resolved);
    return line ? line->number : 0;
}

int LowestFree(const std::vector<MapLine>& lines, const std::set<int>& uarts)
{
    std::set<int> used(uarts);
    for (const MapLine& line : lines)
        used.insert(line.number);
    int number = 3;
    while (used.count(number))
        ++number;
    return number;
}

} // namespace

std::optional<std::string> ComPortMap::DevicePathOf(int comNumber) const
{
    if (comNumber < 1)
        return std::nullopt;
    const Roots roots{sysClassTty_, dev_};
    if (roots.UartExists(comNumber - 1))
        return Resolve(dev_ + "/ttyS" + std::to_string(comNumber - 1));

    const auto text = ProfileFile(FilePath()).Load();
    if (!text)
        return std::nullopt;
    for (const MapLine& line : LinesOf(*text))
        if (line.number == comNumber)
            return Resolve(line.path);
    return std::nullopt;
}

int ComPortMap::NumberOfPath(const std::string& path) const
{
    const Roots roots{sysClassTty_, dev_};
    const auto resolved = Resolve(path);
    if (const int uart = roots.UartNumberOf(resolved))
        return uart;
    const auto text = ProfileFile(FilePath()).Load();
    return text ? LineNumberFor(LinesOf(*text), path, resolved) : 0;
}

int ComPortMap::Register(const std::string& path)
{
    if (path.empty() || !EnsureFolder(folder_))
        return 0;
    const Roots roots{sysClassTty_, dev_};
    const auto resolved = Resolve(path);
    if (const int uart = roots.UartNumberOf(resolved))
        return uart;

    MapLock lock(folder_);
    ProfileFile file(FilePath());
    auto text = file.Load();
    if (!text)
        return 0;
    const std::vector<MapLine> lines = LinesOf(*text);
    if (const int existing = LineNumberFor(lines, path, resolved))
        return existing;
    const int number = LowestFree(lines, roots.UartNumbers());
    if (!text->Set(PortsSection, ComKey(number), path) || !file.Save(*text))
        return 0;
    return number;
}

bool ComPortMap::Assign(int number, const std::string& path)
{
    if (number < 1 || path.empty() || !EnsureFolder(folder_))
        return false;
    MapLock lock(folder_);
    ProfileFile file(FilePath());
    auto text = file.Load();
    return text && text->Set(PortsSection, ComKey(number), path) && file.Save(*text);
}

void ComPortMap::Unregister(int number)
{
    if (number < 1)
        return;
    MapLock lock(folder_);
    ProfileFile file(FilePath());
    auto text = file.Load();
    if (!text)
        return;
    bool changed = false;
    for (const auto& [key, value] : text->Section(PortsSection))
        if (ComNumberOfKey(key) == number)
            changed = text->Erase(PortsSection, key) || changed;
    if (changed)
        file.Save(*text);
}

namespace {

// A serial tty seen in sysfs that no line of the map leads to yet.
struct NewTty {
    std::string device;  // resolved device node
    std::string stable;  // the path to write into the map
    std::string sysfs;
};

// The ports of one scan, at most one per number and one per device.
class PortList {
public:
    bool HasNumber(int number) const { return numbers_.count(number) != 0; }
    bool HasDevice(const std::string& device) const { return devices_.count(device) != 0; }

    void Add(int number, const std::string& device, const std::string& stable, const std::string& sysfs)
    {
        ComPortEntry entry;
        entry.Number = number;
        entry.DevicePath = device;
        entry.StablePath = stable;
        entry.SysfsDevice = sysfs;
        numbers_.insert(number);
        devices_.insert(device);
        ports_.push_back(std::move(entry));
    }

    // Ordered by number, with friendly names and descriptions.
    std::vector<ComPortEntry> Finish() &&
    {
        std::sort(ports_.begin(), ports_.end(),
                  [](const ComPortEntry& a, const ComPortEntry& b) { return a.Number < b.Number; });
        UdevModels models;
        for (ComPortEntry& entry : ports_)
            Describe(entry, models);
        return std::move(ports_);
    }

private:
    std::vector<ComPortEntry> ports_;
    std::set<int> numbers_;
    std::set<std::string> devices_;
};

// /dev/serial/by-id, read once per scan: resolved node -> link.
class ByIdLinks {
public:
    explicit ByIdLinks(const std::string& dev) : dir_(dev + "/serial/by-id") {}

    std::optional<std::string> LinkTo(const std::string& device)
    {
        if (!links_) {
            links_.emplace();
            std::error_code ec;
            for (fs::directory_iterator link(dir_, ec), end; !ec && link != end; link.increment(ec)) {
                if (const auto target = Resolve(link->path().string()))
                    links_->emplace(*target, link->path().string());
            }
        }
        const auto it = links_->find(device);
        return it != links_->end() ? std::optional<std::string>(it->second) : std::nullopt;
    }

private:
    std::string dir_;
    std::optional<std::map<std::string, std::string>> links_;
};

// A line that names a tty by its kernel name while a by-id link to it exists.
struct Upgrade {
    int number = 0;
    std::string from;  // the kernel name, as the line has it
    std::string to;    // the by-id link
};

// What a scan of sysfs found for the map to change.
struct TtyScan {
    std::vector<NewTty> newTtys;  // ttys without a line
    std::vector<Upgrade> upgrades;
};

// Scanning: the ttyS ports whose UART exists and every other serial tty in sysfs. Ttys the
// map numbers go into `ports`. A line may have been written with the kernel name
// (/dev/ttyUSB0) because the scan ran before udev made the by-id link; once the link
// exists the line is to name it, so that the number stays with the adapter and not with
// whatever becomes ttyUSB0 next.
TtyScan ScanSerialTtys(const Roots& roots, const std::vector<MapLine>& lines, PortList& ports)
{
    TtyScan scan;
    ByIdLinks byId(roots.dev);
    for (const std::string& name : NamesIn(roots.sys)) {
        if (IsConsoleTtyName(name))
            continue;
        const std::string kernelPath = roots.dev + "/" + name;
        if (const int index = UartIndexOfName(name); index >= 0) {
            if (!roots.UartExists(index))
                continue;
            if (const auto device = Resolve(kernelPath); device && !ports.HasNumber(index + 1))
                ports.Add(index + 1, *device, kernelPath, roots.SysfsDeviceOf(name));
            continue;
        }
        // Other serial ttys: those backed by hardware, and Bluetooth RFCOMM links (virtual).
        // Virtual consoles, pseudo-terminals and the console have no device behind them.
        const std::string sysfs = roots.SysfsDeviceOf(name);
        if (sysfs.empty() && !StartsWith(name, "rfcomm"))
            continue;
        if (StartsWith(name, "ttyS"))
            continue;  // a ttyS name that is not ttyS<digits>
        const auto device = Resolve(kernelPath);
        if (!device || ports.HasDevice(*device))
            continue;
        const std::string stable = byId.LinkTo(*device).value_or(kernelPath);
        const MapLine* line = LineFor(lines, stable, device);
        if (!line)
            line = LineFor(lines, kernelPath, device);
        if (!line) {
            scan.newTtys.push_back({*device, stable, sysfs});
            continue;
        }
        if (stable != kernelPath && (line->path == kernelPath || line->path == *device))
            scan.upgrades.push_back({line->number, line->path, stable});
        if (!ports.HasNumber(line->number))
            ports.Add(line->number, *device, stable, sysfs);
    }
    return scan;
}

// Gives each upgraded line its by-id name where it still holds the kernel name it was
// found with (another process may have changed it meanwhile); returns the lines changed.
std::vector<MapLine> ApplyUpgrades(std::vector<MapLine>& lines, const std::vector<Upgrade>& upgrades)
{
    std::vector<MapLine> changed;
    for (const Upgrade& upgrade : upgrades) {
        for (MapLine& line : lines) {
            if (line.number == upgrade.number && line.path == upgrade.from) {
                line.path = upgrade.to;
                changed.push_back(line);
                break;
            }
        }
    }
    return changed;
}

// Assigning numbers: each new tty that still has no line gets the lowest free number; the
// lines it needs are appended to `lines` and returned.
std::vector<MapLine> AssignNumbers(std::vector<MapLine>& lines, const std::vector<NewTty>& newTtys,
                                   const std::set<int>& uarts)
{
    std::vector<MapLine> added;
    for (const NewTty& tty : newTtys) {
        if (LineNumberFor(lines, tty.stable, tty.device) != 0)
            continue;
        const MapLine line{LowestFree(lines, uarts), tty.stable};
        lines.push_back(line);
        added.push_back(line);
    }
    return added;
}

// Writing the map: new and changed lines go into the text that was loaded under the
// lock; a changed line keeps its key as written.
void WriteMapLines(ProfileFile& file, ProfileText& text, const std::vector<MapLine>& lines)
{
    for (const MapLine& line : lines) {
        std::string key = ComKey(line.number);
        for (const auto& [written, value] : text.Section(PortsSection)) {
            if (ComNumberOfKey(written) == line.number && !value.empty()) {
                key = written;
                break;
            }
        }
        text.Set(PortsSection, key, line.path);
    }
    file.Save(text);
}

// Lines of users and simulators (pseudo-terminals, symlinks) whose path exists.
void AddOtherPresentLines(const Roots& roots, const std::vector<MapLine>& lines, PortList& ports)
{
    for (const MapLine& line : lines) {
        if (ports.HasNumber(line.number))
            continue;
        const auto device = Resolve(line.path);
        if (!device || ports.HasDevice(*device))
            continue;
        std::string sysfs;
        if (const fs::path p(*device); Resolve(roots.dev) == p.parent_path().string())
            sysfs = roots.SysfsDeviceOf(p.filename().string());
        ports.Add(line.number, *device, line.path, sysfs);
    }
}

void AppendNumbers(std::string& stamp, std::initializer_list<uint64_t> values)
{
    for (const uint64_t value : values)
        stamp.append(reinterpret_cast<const char*>(&value), sizeof value);
    stamp += '\n';
}

// Which file `path` leads to now (links followed), for a stamp; "-" when none.
void AppendIdentity(std::string& stamp, const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        stamp += "-\n";
        return;
    }
    AppendNumbers(stamp, {st.st_dev, st.st_ino, st.st_rdev});
}

// Which file `path` is, its size and its times, for a stamp. Sets `recent` when it was
// modified within the last two seconds: file times advance by clock ticks, so a change in
// the tick the stamp was taken in could leave them as they were. (Every change a scan
// would see modifies the file or folder; the change time is only compared.)
void AppendState(std::string& stamp, const std::string& path, bool& recent)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        stamp += "-\n";
        return;
    }
    AppendNumbers(stamp, {st.st_dev, st.st_ino, static_cast<uint64_t>(st.st_size),
                          static_cast<uint64_t>(st.st_mtim.tv_sec), static_cast<uint64_t>(st.st_mtim.tv_nsec),
                          static_cast<uint64_t>(st.st_ctim.tv_sec), static_cast<uint64_t>(st.st_ctim.tv_nsec)});
    timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    if (st.st_mtim.tv_sec >= now.tv_sec - 2)
        recent = true;
}

} // namespace

bool ComPortMap::IsDevtmpfs(std::string_view mountinfo, std::string_view folder)
{
    // "<id> <parent> <major:minor> <root> <mount point> <options> [<tags>...] - <type> ..."
    bool devtmpfs = false;
    while (!mountinfo.empty()) {
        const size_t end = mountinfo.find('\n');
        const std::string_view line = mountinfo.substr(0, end);
        mountinfo.remove_prefix(end == std::string_view::npos ? mountinfo.size() : end + 1);
        std::vector<std::string_view> fields;
        for (size_t at = 0; at < line.size();) {
            const size_t space = std::min(line.find(' ', at), line.size());
            if (space > at)
                fields.push_back(line.substr(at, space - at));
            at = space + 1;
        }
        const auto dash = std::find(fields.begin(), fields.end(), "-");
        if (fields.size() < 5 || dash == fields.end() || dash + 1 == fields.end() || fields[4] != folder)
            continue;
        devtmpfs = *(dash + 1) == "devtmpfs";
    }
    return devtmpfs;
}

namespace {

bool MountedDevtmpfs(const std::string& folder)
{
    std::ifstream in("/proc/self/mountinfo");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return ComPortMap::IsDevtmpfs(text, folder);
}

} // namespace

std::optional<std::string> ComPortMap::ScanStamp()
{
    std::string stamp;
    bool recent = false;
    // On devtmpfs the kernel makes and removes a node for every tty it registers, so the
    // time of <dev> changes with the ttys and listing sysfs (the costliest part of a stamp)
    // is left to the full scans. Elsewhere (a container's own /dev) nodes may stay while
    // ttys come and go, and the names are part of the stamp.
    if (!devIsDevtmpfs_)
        devIsDevtmpfs_ = MountedDevtmpfs(dev_);
    if (!*devIsDevtmpfs_) {
        for (const std::string& name : NamesIn(sysClassTty_)) {
            stamp += name;
            stamp += '/';
        }
    }
    stamp += '\n';
    AppendState(stamp, dev_, recent);
    AppendState(stamp, dev_ + "/serial/by-id", recent);
    std::string file;
    bool fileRecent = false;
    AppendState(file, FilePath(), fileRecent);
    if (file != stampedFile_ || fileRecent) {
        // Lines read while the file's time is recent are not kept: a change in the same
        // clock tick would leave its state as it is.
        stampedFile_.clear();
        stampedPaths_.clear();
        if (const auto text = ProfileFile(FilePath()).Load())
            for (const MapLine& line : LinesOf(*text))
                stampedPaths_.push_back(line.path);
        if (!fileRecent)
            stampedFile_ = file;
    }
    stamp += file;
    for (const std::string& path : stampedPaths_) {
        stamp += path;
        stamp += '=';
        AppendIdentity(stamp, path);
    }
    if (recent || fileRecent)
        return std::nullopt;
    return stamp;
}

std::vector<ComPortEntry> ComPortMap::PresentPorts()
{
    const Roots roots{sysClassTty_, dev_};
    const auto text = ProfileFile(FilePath()).Load();
    std::vector<MapLine> lines = text ? LinesOf(*text) : std::vector<MapLine>();

    PortList ports;
    const TtyScan scan = ScanSerialTtys(roots, lines, ports);
    const std::vector<NewTty>& newTtys = scan.newTtys;

    // New ttys are numbered under the lock, against the map as it is now (another process
    // may have added lines meanwhile). When the map cannot be written the numbers hold for
    // this scan only.
    if (!newTtys.empty() || !scan.upgrades.empty()) {
        ProfileFile file(FilePath());
        std::optional<MapLock> lock;
        std::optional<ProfileText> current;
        if (EnsureFolder(folder_)) {
            lock.emplace(folder_);
            current = file.Load();
            if (current)
                lines = LinesOf(*current);
        }
        std::vector<MapLine> changed = ApplyUpgrades(lines, scan.upgrades);
        const std::vector<MapLine> added = AssignNumbers(lines, newTtys, roots.UartNumbers());
        changed.insert(changed.end(), added.begin(), added.end());
        for (const NewTty& tty : newTtys)
            if (const int number = LineNumberFor(lines, tty.stable, tty.device); !ports.HasNumber(number))
                ports.Add(number, tty.device, tty.stable, tty.sysfs);
        if (current && !changed.empty())
            WriteMapLines(file, *current, changed);
    }

    AddOtherPresentLines(roots, lines, ports);
    return std::move(ports).Finish();
}

} // namespace dabrix::platform
