// The simulated Bluetooth stack (DABRIX_BT_SIM=<folder>). Other programs, such as the
// gauge simulator and test tools, play remote devices on it:
//
//  - The radio is present while the folder exists.
//  - Each remote device is a file <address>.device, the address as 12 upper-case hex
//    digits: 0011223344AA.device is the device (00:11:22:33:44:AA). Lines key=value:
//      name       the device name (empty or missing: the name query answers an empty name)
//      class      the class of device in hex
//      paired     0/1, default 0
//      connected  0/1, default 0
//      inrange    0/1, default 1; an inquiry finds only devices in range, while the
//                 cached list keeps paired devices (and those in range), as a real stack does
//      service    <channel>,<service class UUID>,<name>[,<description>], one line per RFCOMM
//                 service; the UUID in full (with or without braces) or as the 4 or 8 hex
//                 digits of a UUID in the Bluetooth base UUID
//  - The service search builds one SDP record per service line (handle, class id list,
//    L2CAP/RFCOMM protocol descriptors, public browse group, English/UTF-8 language base,
//    name, description) unless a file <address>.sdp exists; then its raw bytes are the
//    device's records: the attribute lists of a search response (a sequence of attribute
//    lists, or one bare attribute list). Like an SDP server, the search answers with the
//    records that contain the searched UUID; bytes that do not decode are answered as they
//    are, so the parser meets them.
//  - An RFCOMM connection to channel N is a connection to the Unix-domain stream socket
//    <address>.<N> in the folder (e.g. 0011223344AA.1); nobody listening is a refused
//    connect. The bytes on the connection are the link's bytes, both ways.
//  - A device file that appears or disappears is a device coming into or leaving range at
//    the next inquiry.
// Write a file under another name and rename it into place, so a half-written file is
// never read.
#include "platform/bluetooth/BluetoothSockets.h"
#include "platform/bluetooth/BluetoothStack.h"
#include "platform/bluetooth/SdpClient.h"
#include "platform/bluetooth/SdpDataElement.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <set>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace dabrix::platform {
namespace {

using sdp::DataElement;

struct SimService {
    uint8_t Channel = 0;
    QUuid Uuid;
    std::string Name;
    std::string Description;
    bool HasDescription = false;
};

struct SimDevice {
    BluetoothDeviceInfo Info;
    bool InRange = true;
    std::vector<SimService> Services;
};

bool ParseFlag(const QByteArray& value, bool fallback)
{
    if (value == "1")
        return true;
    if (value == "0")
        return false;
    return fallback;
}

std::optional<QUuid> ParseUuid(const QByteArray& text)
{
    const QUuid full = QUuid::fromString(QLatin1String(text));
    if (!full.isNull())
        return full;
    QByteArray hex = text;
    if (hex.startsWith("0x") || hex.startsWith("0X"))
        hex = hex.mid(2);
    bool ok = false;
    const uint value = hex.toUInt(&ok, 16);
    if (ok && (hex.size() == 4 || hex.size() == 8))
        return sdp::BaseUuid(value);
    return std::nullopt;
}

// <channel>,<uuid>,<name>[,<description>]; the description may hold commas.
std::optional<SimService> ParseService(const QByteArray& line)
{
    const QList<QByteArray> parts = line.split(',');
    if (parts.size() < 3)
        return std::nullopt;
    SimService s;
    bool ok = false;
    const uint channel = parts[0].trimmed().toUInt(&ok);
    const auto uuid = ParseUuid(parts[1].trimmed());
    if (!ok || channel < 1 || channel > 30 || !uuid)
        return std::nullopt;
    s.Channel = static_cast<uint8_t>(channel);
    s.Uuid = *uuid;
    s.Name = parts[2].trimmed().toStdString();
    if (parts.size() > 3) {
        const qsizetype afterName = parts[0].size() + parts[1].size() + parts[2].size() + 3;
        s.Description = line.mid(afterName).trimmed().toStdString();
        s.HasDescription = true;
    }
    return s;
}

// Says each bad line once, not at every read of its file.
void WarnOnce(const QString& path, const QByteArray& line)
{
    static std::mutex lock;
    static std::set<std::pair<QString, QByteArray>> said;
    {
        std::lock_guard guard(lock);
        if (!said.emplace(path, line).second)
            return;
    }
    qWarning().noquote() << "Dabrix: simulated Bluetooth device" << path << "has a bad service line:" << line;
}

std::optional<SimDevice> ReadDeviceFile(const QString& path, BluetoothAddress address)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    SimDevice d;
    d.Info.Address = address;
    for (const QByteArray& raw : f.readAll().split('\n')) {
        const QByteArray line = raw.trimmed();
        const qsizetype eq = line.indexOf('=');
        if (line.isEmpty() || line.startsWith('#') || eq <= 0)
            continue;
        const QByteArray key = line.left(eq).trimmed().toLower();
        const QByteArray value = line.mid(eq + 1).trimmed();
        if (key == "name") {
            d.Info.Name = QString::fromUtf8(value);
        } else if (key == "class") {
            bool ok = false;
            const uint cod = (value.startsWith("0x") || value.startsWith("0X") ? value.mid(2) : value).toUInt(&ok, 16);
            if (ok)
                d.Info.ClassOfDevice = cod & 0xFFFFFF;
        } else if (key == "paired") {
            d.Info.Paired = ParseFlag(value, false);
        } else if (key == "connected") {
            d.Info.Connected = ParseFlag(value, false);
        } else if (key == "inrange") {
            d.InRange = ParseFlag(value, true);
        } else if (key == "service") {
            if (auto s = ParseService(value))
                d.Services.push_back(*s);
            else
                WarnOnce(path, value);
        }
    }
    return d;
}

DataElement RecordOf(const SimService& s, uint32_t handle)
{
    std::vector<DataElement> a{
        DataElement::UInt16(sdp::kAttrRecordHandle), DataElement::UInt32(handle),
        DataElement::UInt16(sdp::kAttrServiceClassIdList), DataElement::Sequence({DataElement::Uuid(s.Uuid)}),
        DataElement::UInt16(sdp::kAttrProtocolDescriptorList),
        DataElement::Sequence({
            DataElement::Sequence({DataElement::Uuid16(sdp::kUuidL2cap)}),
            DataElement::Sequence({DataElement::Uuid16(sdp::kUuidRfcomm), DataElement::UInt8(s.Channel)}),
        }),
        DataElement::UInt16(sdp::kAttrBrowseGroupList),
        DataElement::Sequence({DataElement::Uuid16(sdp::kUuidPublicBrowseRoot)}),
        DataElement::UInt16(sdp::kAttrLanguageBaseList),
        DataElement::Sequence({DataElement::UInt16(0x656E), DataElement::UInt16(106), DataElement::UInt16(0x0100)}),
        DataElement::UInt16(0x0100 + sdp::kAttrOffsetServiceName), DataElement::Text(s.Name),
    };
    if (s.HasDescription) {
        a.push_back(DataElement::UInt16(0x0100 + sdp::kAttrOffsetServiceDescription));
        a.push_back(DataElement::Text(s.Description));
    }
    return DataElement::Sequence(std::move(a));
}

class SimulatedInquiry;

class SimulatedBluetoothStack final : public BluetoothStack {
public:
    explicit SimulatedBluetoothStack(std::string folder) : folder_(QString::fromStdString(folder)) {}

    bool RadioPresent() override { return Present(); }
    bool Present() const { return QFileInfo(folder_).isDir(); }

    void SetPresenceHandler(PresenceHandler handler) override
    {
        watcher_.reset();
        timer_.reset();
        handler_ = std::move(handler);
        if (!handler_)
            return;
        present_ = RadioPresent();
        // The watcher makes changes prompt; the timer catches what it cannot see (a parent
        // folder that did not exist yet, a watch that the kernel dropped).
        watcher_ = std::make_unique<QFileSystemWatcher>();
        Watch();
        QObject::connect(watcher_.get(), &QFileSystemWatcher::directoryChanged, watcher_.get(),
                         [this](const QString&) { Recheck(); });
        timer_ = std::make_unique<QTimer>();
        QObject::connect(timer_.get(), &QTimer::timeout, timer_.get(), [this] { Recheck(); });
        timer_->start(1000);
    }

    BluetoothResult CachedDevices(std::vector<BluetoothDeviceInfo>& devices) override
    {
        devices.clear();
        if (!RadioPresent())
            return BluetoothResult::Unavailable;
        for (const SimDevice& d : Devices())
            if (d.Info.Paired || d.InRange)
                devices.push_back(d.Info);
        return BluetoothResult::Ok;
    }

    BluetoothResult QueryDevice(BluetoothAddress address, BluetoothDeviceInfo& info) override
    {
        if (!RadioPresent())
            return BluetoothResult::Unavailable;
        const auto d = Device(address);
        if (!d)
            return BluetoothResult::NotFound;
        info = d->Info;
        return BluetoothResult::Ok;
    }

    BluetoothResult StartInquiry(std::unique_ptr<BluetoothInquiry>& inquiry) override;

    BluetoothResult ServiceSearch(BluetoothAddress address, const QUuid& uuid, std::vector<uint8_t>& attributeLists,
                                  int, int) override
    {
        attributeLists.clear();
        if (!RadioPresent())
            return BluetoothResult::Unavailable;
        const auto d = Device(address);
        if (!d)
            return BluetoothResult::NotFound;

        std::vector<DataElement> records;
        QFile raw(Path(address, ".sdp"));
        if (raw.exists()) {
            if (!raw.open(QIODevice::ReadOnly) || raw.size() > static_cast<qint64>(sdp::kMaxAttributeListsBytes))
                return BluetoothResult::Failed;
            const QByteArray bytes = raw.readAll();
            const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
            if (!sdp::DecodeAttributeLists(data, static_cast<size_t>(bytes.size()), records)) {
                attributeLists.assign(data, data + bytes.size());
                return BluetoothResult::Ok;
            }
        } else {
            for (size_t i = 0; i < d->Services.size(); ++i)
                records.push_back(RecordOf(d->Services[i], 0x00010000u + static_cast<uint32_t>(i)));
        }
        std::vector<DataElement> matching;
        for (DataElement& r : records)
            if (sdp::RecordContainsUuid(r, uuid))
                matching.push_back(std::move(r));
        if (matching.empty())
            return BluetoothResult::NoService;
        sdp::Encode(DataElement::Sequence(std::move(matching)), attributeLists);
        return BluetoothResult::Ok;
    }

    BluetoothResult ConnectRfcomm(BluetoothAddress address, uint8_t channel, const RfcommOptions& options,
                                  std::unique_ptr<RfcommSocket>& socket) override
    {
        if (!RadioPresent())
            return BluetoothResult::Unavailable;
        const QByteArray path = QFile::encodeName(Path(address, "." + QString::number(channel)));
        sockaddr_un peer{};
        peer.sun_family = AF_UNIX;
        if (static_cast<size_t>(path.size()) >= sizeof peer.sun_path) {
            qWarning().noquote() << "Dabrix: simulated RFCOMM path too long:" << path;
            return BluetoothResult::Failed;
        }
        std::memcpy(peer.sun_path, path.constData(), static_cast<size_t>(path.size()));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return BluetoothResult::NoResources;
        BluetoothResult result = BluetoothResult::Ok;
        bool connecting = false;
        if (!bt::SetBufferSizes(fd, options)) {
            result = BluetoothResult::Failed;
        } else if (::connect(fd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
            connecting = errno == EINPROGRESS;
            if (!connecting)
                result = ConnectResultFromErrno(errno);
        }
        if (result != BluetoothResult::Ok) {
            ::close(fd);
            return result;
        }
        socket = std::make_unique<RfcommSocket>(fd, connecting);
        return BluetoothResult::Ok;
    }

    // Every readable device file, ordered by address.
    std::vector<SimDevice> Devices() const
    {
        std::vector<SimDevice> devices;
        const QDir dir(folder_);
        for (const QString& name : dir.entryList({QStringLiteral("*.device")}, QDir::Files, QDir::Name)) {
            const QString base = name.chopped(7);
            BluetoothAddress address = 0;
            if (base.size() != 12 || base != base.toUpper() || !ParseBluetoothAddress(base, address))
                continue;
            if (auto d = ReadDeviceFile(dir.filePath(name), address))
                devices.push_back(std::move(*d));
        }
        return devices;
    }

private:
    QString Path(BluetoothAddress address, const QString& suffix) const
    {
        return QDir(folder_).filePath(QString::fromStdString(BluetoothAddressHex(address)) + suffix);
    }

    std::optional<SimDevice> Device(BluetoothAddress address) const
    {
        return ReadDeviceFile(Path(address, QStringLiteral(".device")), address);
    }

    void Watch()
    {
        const QFileInfo folder(folder_);
        QStringList paths{folder.absolutePath()};
        if (folder.isDir())
            paths << folder.absoluteFilePath();
        for (const QString& p : paths)
            if (!watcher_->directories().contains(p) && QFileInfo(p).isDir())
                watcher_->addPath(p);
    }

    void Recheck()
    {
        Watch();
        const bool now = RadioPresent();
        if (now == present_)
            return;
        present_ = now;
        // The handler may replace itself; keep a copy for this call.
        const PresenceHandler handler = handler_;
        if (handler)
            handler(now);
    }

    QString folder_;
    PresenceHandler handler_;
    bool present_ = false;
    std::unique_ptr<QFileSystemWatcher> watcher_;
    std::unique_ptr<QTimer> timer_;
};

class SimulatedInquiry final : public BluetoothInquiry {
public:
    explicit SimulatedInquiry(const SimulatedBluetoothStack& stack) : stack_(stack) {}

    // The folder as it is when the inquiry ends: the devices in range then.
    BluetoothResult Stop(std::vector<BluetoothDeviceInfo>& found) override
    {
        found.clear();
        if (std::exchange(stopped_, true))
            return BluetoothResult::Failed;
        if (!stack_.Present())
            return BluetoothResult::Unavailable;
        for (const SimDevice& d : stack_.Devices())
            if (d.InRange)
                found.push_back(d.Info);
        return BluetoothResult::Ok;
    }

private:
    const SimulatedBluetoothStack& stack_;
    bool stopped_ = false;
};

BluetoothResult SimulatedBluetoothStack::StartInquiry(std::unique_ptr<BluetoothInquiry>& inquiry)
{
    if (!RadioPresent())
        return BluetoothResult::Unavailable;
    inquiry = std::make_unique<SimulatedInquiry>(*this);
    return BluetoothResult::Ok;
}

} // namespace

std::unique_ptr<BluetoothStack> CreateSimulatedBluetoothStack(const std::string& folder)
{
    return std::make_unique<SimulatedBluetoothStack>(folder);
}

} // namespace dabrix::platform
