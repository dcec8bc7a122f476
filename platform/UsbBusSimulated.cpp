// The simulated USB bus: each file *.usb in a folder is one plugged device, with
// lines key=value (vid, pid as 4 hex digits; serial, manufacturer, product; optional
// port, the COM name the device provides). A file that appears is an arrival, one
// that disappears a removal. Write a file under another name and rename it into
// place, so a half-written file is never seen.
#include "platform/UsbBus.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>

#include <map>
#include <mutex>
#include <strings.h>

namespace dabrix::platform {
namespace {

std::optional<UsbDeviceInfo> ReadDeviceFile(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    std::map<std::string, std::string> values;
    for (const QByteArray& raw : f.readAll().split('\n')) {
        const QByteArray line = raw.trimmed();
        const int eq = line.indexOf('=');
        if (line.isEmpty() || line.startsWith('#') || eq <= 0)
            continue;
        values[line.left(eq).trimmed().toLower().toStdString()] = line.mid(eq + 1).trimmed().toStdString();
    }
    UsbDeviceInfo info;
    bool okVid = false, okPid = false;
    info.VendorId = static_cast<uint16_t>(QByteArray::fromStdString(values["vid"]).toUInt(&okVid, 16));
    info.ProductId = static_cast<uint16_t>(QByteArray::fromStdString(values["pid"]).toUInt(&okPid, 16));
    if (!okVid || !okPid)
        return std::nullopt;
    info.SerialNumber = values["serial"];
    info.Manufacturer = values["manufacturer"];
    info.Product = values["product"];
    info.ModelName = values.count("model") ? values["model"] : info.Product;
    info.PortName = values["port"];
    const std::string instance =
        info.SerialNumber.empty() ? QFileInfo(file).completeBaseName().toStdString() : info.SerialNumber;
    info.InterfacePath = UsbInterfacePath(info.VendorId, info.ProductId, instance);
    return info;
}

class SimulatedUsbBus final : public UsbBus {
public:
    explicit SimulatedUsbBus(std::string folder) : folder_(QString::fromStdString(folder)) {}

    bool Enumerate(std::vector<UsbDeviceInfo>& devices) override
    {
        devices.clear();
        if (!QDir(folder_).exists())
            return false;
        for (const auto& [file, info] : Scan())
            devices.push_back(info);
        return true;
    }

    std::optional<UsbDeviceInfo> Find(const std::string& interfacePath) override
    {
        for (const auto& [file, info] : Scan())
            if (strcasecmp(info.InterfacePath.c_str(), interfacePath.c_str()) == 0)
                return info;
        return std::nullopt;
    }

    bool StartWatching(ChangeHandler handler) override
    {
        if (!QDir(folder_).exists())
            return false;
        static std::once_flag once;
        std::call_once(once, [this] {
            qInfo().noquote() << "Dabrix: USB devices are simulated by the files in" << folder_;
        });
        handler_ = std::move(handler);
        known_.clear();
        for (const auto& [file, info] : Scan())
            known_[file] = info.InterfacePath;
        watcher_ = std::make_unique<QFileSystemWatcher>(QStringList{folder_});
        QObject::connect(watcher_.get(), &QFileSystemWatcher::directoryChanged, watcher_.get(),
                         [this](const QString&) { Rescan(); });
        return true;
    }

    void StopWatching() override
    {
        watcher_.reset();
        handler_ = nullptr;
        known_.clear();
    }

private:
    std::map<QString, UsbDeviceInfo> Scan() const
    {
        std::map<QString, UsbDeviceInfo> found;
        const QDir dir(folder_);
        for (const QString& name : dir.entryList({QStringLiteral("*.usb")}, QDir::Files, QDir::Name))
            if (auto info = ReadDeviceFile(dir.filePath(name)))
                found.emplace(name, *info);
        return found;
    }

    void Rescan()
    {
        const auto now = Scan();
        std::vector<std::pair<Change, std::string>> changes;
        for (auto it = known_.begin(); it != known_.end();) {
            if (!now.count(it->first)) {
                changes.emplace_back(Change::Removal, it->second);
                it = known_.erase(it);
            } else {
                ++it;
            }
        }
        for (const auto& [file, info] : now) {
            if (!known_.count(file)) {
                known_[file] = info.InterfacePath;
                changes.emplace_back(Change::Arrival, info.InterfacePath);
            }
        }
        // The handler may stop watching; keep a copy for this round.
        const ChangeHandler handler = handler_;
        for (const auto& [change, path] : changes)
            if (handler)
                handler(change, path);
    }

    QString folder_;
    ChangeHandler handler_;
    std::map<QString, std::string> known_; // file name -> interface path, for removals
    std::unique_ptr<QFileSystemWatcher> watcher_;
};

} // namespace

std::unique_ptr<UsbBus> CreateSimulatedUsbBus(const std::string& folder)
{
    return std::make_unique<SimulatedUsbBus>(folder);
}

} // namespace dabrix::platform
