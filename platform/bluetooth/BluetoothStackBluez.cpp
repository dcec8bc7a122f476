// BlueZ through its D-Bus API on the system bus (org.bluez): adapters and devices come
// from the object manager at "/", inquiries are Adapter1.StartDiscovery/StopDiscovery;
// the service search and RFCOMM use the kernel's sockets.
//
// The first adapter (by object path) is the radio. A radio counts as present while its
// Adapter1 object exists, powered or not; a call that needs it powered fails then.
// Devices found by an inquiry are those that appeared during it, and those that carry an
// RSSI when it ends: BlueZ gives a device an RSSI when an inquiry or advertisement
// reaches it, and takes it away when discovery stops.
#include "platform/bluetooth/BluetoothSockets.h"
#include "platform/bluetooth/BluetoothStack.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDebug>
#include <QObject>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <set>

namespace dabrix::platform {
namespace {

const QString kService = QStringLiteral("org.bluez");
const QString kObjectManager = QStringLiteral("org.freedesktop.DBus.ObjectManager");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kAdapter = QStringLiteral("org.bluez.Adapter1");
const QString kDevice = QStringLiteral("org.bluez.Device1");
constexpr int kCallTimeoutMs = 5000;

using InterfaceMap = QMap<QString, QVariantMap>;
using ManagedObjects = QMap<QDBusObjectPath, InterfaceMap>;

// What a D-Bus error means here. A missing or silent daemon is no stack; a missing
// object is an unknown device.
BluetoothResult ResultOfError(const QDBusMessage& reply)
{
    const QString name = reply.errorName();
    static const QStringList gone{
        QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown"),
        QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner"),
        QStringLiteral("org.freedesktop.DBus.Error.NoReply"),
        QStringLiteral("org.freedesktop.DBus.Error.Timeout"),
        QStringLiteral("org.freedesktop.DBus.Error.TimedOut"),
        QStringLiteral("org.freedesktop.DBus.Error.Disconnected"),
        QStringLiteral("org.freedesktop.DBus.Error.NoServer"),
        QStringLiteral("org.bluez.Error.NotReady"),
    };
    static const QStringList unknown{
        QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"),
        QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
        QStringLiteral("org.freedesktop.DBus.Error.UnknownInterface"),
        QStringLiteral("org.bluez.Error.DoesNotExist"),
    };
    if (gone.contains(name))
        return BluetoothResult::Unavailable;
    if (unknown.contains(name))
        return BluetoothResult::NotFound;
    return BluetoothResult::Failed;
}

bool BelongsTo(const QString& devicePath, const QString& adapterPath)
{
    return !adapterPath.isEmpty() && devicePath.startsWith(adapterPath + QLatin1Char('/'));
}

// BlueZ's alias of a device without a name is its address with '-' between the groups.
bool IsDefaultAlias(const QString& alias, BluetoothAddress address)
{
    return alias.compare(BluetoothAddressColons(address).replace(QLatin1Char(':'), QLatin1Char('-')),
                         Qt::CaseInsensitive) == 0;
}

std::optional<BluetoothDeviceInfo> DeviceOf(const QVariantMap& p)
{
    BluetoothDeviceInfo info;
    if (!ParseBluetoothAddress(p.value(QStringLiteral("Address")).toString(), info.Address))
        return std::nullopt;
    info.Name = p.value(QStringLiteral("Name")).toString();
    if (info.Name.isEmpty()) {
        const QString alias = p.value(QStringLiteral("Alias")).toString();
        if (!IsDefaultAlias(alias, info.Address))
            info.Name = alias;
    }
    info.ClassOfDevice = p.value(QStringLiteral("Class")).toUInt() & 0xFFFFFF;
    info.Paired = p.value(QStringLiteral("Paired")).toBool();
    info.Connected = p.value(QStringLiteral("Connected")).toBool();
    return info;
}

QString DevicePath(const QString& adapterPath, BluetoothAddress address)
{
    return adapterPath + QStringLiteral("/dev_") + BluetoothAddressColons(address).replace(QLatin1Char(':'), QLatin1Char('_'));
}

// libdbus reads DBUS_SYSTEM_BUS_ADDRESS once per process; reading it here lets each stack
// follow the variable as it is when the stack is made.
QDBusConnection ConnectSystemBus(const QString& name)
{
    const QByteArray address = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
    if (address.isEmpty())
        return QDBusConnection::connectToBus(QDBusConnection::SystemBus, name);
    return QDBusConnection::connectToBus(QString::fromLocal8Bit(address), name);
}

// The devices an inquiry saw appear; filled from the owner thread's signal handler.
struct InquiryRecord {
    QString Adapter;
    std::set<QString> Appeared;
};

class BluezBluetoothStack;

// Receives the object manager's signals on the owner thread.
class BluezSignals : public QObject {
    Q_OBJECT
public:
    explicit BluezSignals(BluezBluetoothStack& stack) : stack_(stack) {}

public slots:
    void InterfacesAdded(const QDBusMessage& message);
    void InterfacesRemoved(const QDBusMessage& message);

private:
    BluezBluetoothStack& stack_;
};

class BluezInquiry;

class BluezBluetoothStack final : public BluetoothStack {
public:
    BluezBluetoothStack()
        : busName_(QStringLiteral("dabrix-bluez-%1").arg(nextConnection_++)),
          bus_(ConnectSystemBus(busName_)), signals_(*this)
    {
        if (!bus_.isConnected()) {
            qWarning().noquote() << "Dabrix: no system bus, Bluetooth is not available:" << bus_.lastError().message();
            return;
        }
        bus_.connect(kService, QStringLiteral("/"), kObjectManager, QStringLiteral("InterfacesAdded"), &signals_,
                     SLOT(InterfacesAdded(QDBusMessage)));
        bus_.connect(kService, QStringLiteral("/"), kObjectManager, QStringLiteral("InterfacesRemoved"), &signals_,
                     SLOT(InterfacesRemoved(QDBusMessage)));
        // bluetoothd may start or stop at any time; a new one is asked for its adapters.
        serviceWatcher_ =
            std::make_unique<QDBusServiceWatcher>(kService, bus_, QDBusServiceWatcher::WatchForOwnerChange);
        QObject::connect(serviceWatcher_.get(), &QDBusServiceWatcher::serviceOwnerChanged, &signals_,
                         [this](const QString&, const QString&, const QString& newOwner) {
                             if (newOwner.isEmpty())
                                 SetAdapters({});
                             else
                                 ReloadAdapters();
                         });
        ManagedObjects objects;
        if (const auto r = GetManagedObjects(objects); r != BluetoothResult::Ok) {
            qWarning().noquote() << "Dabrix: bluetoothd does not answer, Bluetooth is not available";
            return;
        }
        SetAdapters(AdaptersOf(objects));
    }

    ~BluezBluetoothStack() override
    {
        serviceWatcher_.reset();
        if (bus_.isConnected()) {
            bus_.disconnect(kService, QStringLiteral("/"), kObjectManager, QStringLiteral("InterfacesAdded"),
                            &signals_, SLOT(InterfacesAdded(QDBusMessage)));
            bus_.disconnect(kService, QStringLiteral("/"), kObjectManager, QStringLiteral("InterfacesRemoved"),
                            &signals_, SLOT(InterfacesRemoved(QDBusMessage)));
        }
        QDBusConnection::disconnectFromBus(busName_);
    }

    bool RadioPresent() override { return !Adapter().isEmpty(); }

    void SetPresenceHandler(PresenceHandler handler) override
    {
        handler_ = std::move(handler);
        reported_ = RadioPresent();
    }

    BluetoothResult CachedDevices(std::vector<BluetoothDeviceInfo>& devices) override
    {
        devices.clear();
        const QString adapter = Adapter();
        if (adapter.isEmpty())
            return BluetoothResult::Unavailable;
        ManagedObjects objects;
        if (const auto r = GetManagedObjects(objects); r != BluetoothResult::Ok)
            return r;
        for (auto it = objects.cbegin(); it != objects.cend(); ++it)
            if (BelongsTo(it.key().path(), adapter) && it.value().contains(kDevice))
                if (const auto info = DeviceOf(it.value().value(kDevice)))
                    devices.push_back(*info);
        std::sort(devices.begin(), devices.end(),
                  [](const BluetoothDeviceInfo& a, const BluetoothDeviceInfo& b) { return a.Address < b.Address; });
        return BluetoothResult::Ok;
    }

    BluetoothResult QueryDevice(BluetoothAddress address, BluetoothDeviceInfo& info) override
    {
        const QString adapter = Adapter();
        if (adapter.isEmpty())
            return BluetoothResult::Unavailable;
        QDBusMessage call =
            QDBusMessage::createMethodCall(kService, DevicePath(adapter, address), kProperties, QStringLiteral("GetAll"));
        call << kDevice;
        const QDBusMessage reply = bus_.call(call, QDBus::Block, kCallTimeoutMs);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return ResultOfError(reply);
        const auto device = DeviceOf(qdbus_cast<QVariantMap>(reply.arguments().constFirst()));
        if (!device)
            return BluetoothResult::Failed;
        info = *device;
        return BluetoothResult::Ok;
    }

    BluetoothResult StartInquiry(std::unique_ptr<BluetoothInquiry>& inquiry) override;

    BluetoothResult ServiceSearch(BluetoothAddress address, const QUuid& uuid, std::vector<uint8_t>& attributeLists,
                                  int timeoutMs, int cancelFd) override
    {
        attributeLists.clear();
        if (!RadioPresent())
            return BluetoothResult::Unavailable;
        return bt::KernelServiceSearch(address, uuid, attributeLists, timeoutMs, cancelFd);
    }

    BluetoothResult ConnectRfcomm(BluetoothAddress address, uint8_t channel, const RfcommOptions& options,
                                  std::unique_ptr<RfcommSocket>& socket) override
    {
        if (!RadioPresent())
            return BluetoothResult::Unavailable;
        return bt::ConnectKernelRfcomm(address, channel, options, socket);
    }

    // --- for the signal receiver and the inquiries ---

    void OnInterfacesAdded(const QString& path, const InterfaceMap& interfaces)
    {
        if (interfaces.contains(kAdapter)) {
            auto adapters = Adapters();
            adapters.insert(path);
            SetAdapters(std::move(adapters));
        }
        if (interfaces.contains(kDevice)) {
            std::lock_guard guard(lock_);
            for (const auto& record : inquiries_)
                if (BelongsTo(path, record->Adapter))
                    record->Appeared.insert(path);
        }
    }

    void OnInterfacesRemoved(const QString& path, const QStringList& interfaces)
    {
        if (interfaces.contains(kAdapter)) {
            auto adapters = Adapters();
            adapters.erase(path);
            SetAdapters(std::move(adapters));
        }
        if (interfaces.contains(kDevice)) {
            std::lock_guard guard(lock_);
            for (const auto& record : inquiries_)
                record->Appeared.erase(path);
        }
    }

    BluetoothResult GetManagedObjects(ManagedObjects& objects)
    {
        const QDBusMessage call =
            QDBusMessage::createMethodCall(kService, QStringLiteral("/"), kObjectManager, QStringLiteral("GetManagedObjects"));
        const QDBusMessage reply = bus_.call(call, QDBus::Block, kCallTimeoutMs);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return ResultOfError(reply);
        objects = qdbus_cast<ManagedObjects>(reply.arguments().constFirst());
        return BluetoothResult::Ok;
    }

    // Starts or stops the adapter's discovery. The message goes out under the lock, so a
    // start and a stop of two inquiries reach bluetoothd in the order they were decided.
    BluetoothResult Join(const std::shared_ptr<InquiryRecord>& record)
    {
        QDBusPendingCall pending = QDBusPendingCall::fromCompletedCall(QDBusMessage());
        bool first = false;
        {
            std::lock_guard guard(lock_);
            first = std::none_of(inquiries_.begin(), inquiries_.end(),
                                 [&](const auto& r) { return r->Adapter == record->Adapter; });
            inquiries_.push_back(record);
            if (first) {
                // Gauges are classic (BR/EDR) devices: an inquiry without LE scanning. An
                // older bluetoothd without filters refuses this and discovers both.
                QDBusMessage filter = Discovery(record->Adapter, QStringLiteral("SetDiscoveryFilter"));
                filter << QVariantMap{{QStringLiteral("Transport"), QStringLiteral("bredr")}};
                bus_.asyncCall(filter, kCallTimeoutMs);
                pending = bus_.asyncCall(Discovery(record->Adapter, QStringLiteral("StartDiscovery")), kCallTimeoutMs);
            }
        }
        if (!first)
            return BluetoothResult::Ok;
        pending.waitForFinished();
        const QDBusMessage reply = pending.reply();
        // InProgress: this connection's discovery runs already.
        if (reply.type() == QDBusMessage::ReplyMessage || reply.errorName() == QStringLiteral("org.bluez.Error.InProgress"))
            return BluetoothResult::Ok;
        qWarning().noquote() << "Dabrix: Bluetooth discovery does not start:" << reply.errorMessage();
        Leave(record, false);
        return ResultOfError(reply);
    }

    void Leave(const std::shared_ptr<InquiryRecord>& record, bool stopDiscovery)
    {
        QDBusPendingCall pending = QDBusPendingCall::fromCompletedCall(QDBusMessage());
        bool last = false;
        {
            std::lock_guard guard(lock_);
            inquiries_.erase(std::remove(inquiries_.begin(), inquiries_.end(), record), inquiries_.end());
            last = std::none_of(inquiries_.begin(), inquiries_.end(),
                                [&](const auto& r) { return r->Adapter == record->Adapter; });
            if (last && stopDiscovery)
                pending = bus_.asyncCall(Discovery(record->Adapter, QStringLiteral("StopDiscovery")), kCallTimeoutMs);
        }
        // Waited for, so that discovery has stopped when the inquiry's Stop returns.
        if (last && stopDiscovery)
            pending.waitForFinished();
    }

    std::set<QString> Appeared(const std::shared_ptr<InquiryRecord>& record)
    {
        std::lock_guard guard(lock_);
        return record->Appeared;
    }

    QString Adapter()
    {
        std::lock_guard guard(lock_);
        return adapters_.empty() ? QString() : *adapters_.begin();
    }

private:
    static std::set<QString> AdaptersOf(const ManagedObjects& objects)
    {
        std::set<QString> adapters;
        for (auto it = objects.cbegin(); it != objects.cend(); ++it)
            if (it.value().contains(kAdapter))
                adapters.insert(it.key().path());
        return adapters;
    }

    std::set<QString> Adapters()
    {
        std::lock_guard guard(lock_);
        return adapters_;
    }

    QDBusMessage Discovery(const QString& adapter, const QString& method) const
    {
        return QDBusMessage::createMethodCall(kService, adapter, kAdapter, method);
    }

    // Owner thread: stores the adapters and tells the handler when presence changed.
    void SetAdapters(std::set<QString> adapters)
    {
        const bool present = !adapters.empty();
        {
            std::lock_guard guard(lock_);
            adapters_ = std::move(adapters);
        }
        if (present == reported_)
            return;
        reported_ = present;
        const PresenceHandler handler = handler_;
        if (handler)
            handler(present);
    }

    // Asks a bluetoothd that just appeared for its adapters, without blocking the owner.
    void ReloadAdapters()
    {
        const QDBusMessage call =
            QDBusMessage::createMethodCall(kService, QStringLiteral("/"), kObjectManager, QStringLiteral("GetManagedObjects"));
        auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, kCallTimeoutMs), &signals_);
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &signals_, [this](QDBusPendingCallWatcher* w) {
            w->deleteLater();
            const QDBusMessage reply = w->reply();
            if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
                SetAdapters(AdaptersOf(qdbus_cast<ManagedObjects>(reply.arguments().constFirst())));
        });
    }

    static inline std::atomic<int> nextConnection_{0};

    const QString busName_;
    QDBusConnection bus_;
    BluezSignals signals_;
    std::unique_ptr<QDBusServiceWatcher> serviceWatcher_;
    PresenceHandler handler_; // owner thread
    bool reported_ = false;   // owner thread: the presence the handler last heard of

    std::mutex lock_; // guards the two below
    std::set<QString> adapters_;
    std::vector<std::shared_ptr<InquiryRecord>> inquiries_;
};

class BluezInquiry final : public BluetoothInquiry {
public:
    BluezInquiry(BluezBluetoothStack& stack, std::shared_ptr<InquiryRecord> record)
        : stack_(stack), record_(std::move(record))
    {
    }

    ~BluezInquiry() override
    {
        if (!stopped_)
            stack_.Leave(record_, true);
    }

    BluetoothResult Stop(std::vector<BluetoothDeviceInfo>& found) override
    {
        found.clear();
        if (std::exchange(stopped_, true))
            return BluetoothResult::Failed;
        // Read before discovery stops: stopping takes the RSSI away.
        ManagedObjects objects;
        const BluetoothResult r = stack_.GetManagedObjects(objects);
        const std::set<QString> appeared = stack_.Appeared(record_);
        stack_.Leave(record_, true);
        if (r != BluetoothResult::Ok)
            return r;
        for (auto it = objects.cbegin(); it != objects.cend(); ++it) {
            const QString path = it.key().path();
            if (!BelongsTo(path, record_->Adapter) || !it.value().contains(kDevice))
                continue;
            const QVariantMap& p = it.value().value(kDevice);
            if (!appeared.count(path) && !p.contains(QStringLiteral("RSSI")))
                continue;
            if (const auto info = DeviceOf(p))
                found.push_back(*info);
        }
        return BluetoothResult::Ok;
    }

private:
    BluezBluetoothStack& stack_;
    std::shared_ptr<InquiryRecord> record_;
    bool stopped_ = false;
};

BluetoothResult BluezBluetoothStack::StartInquiry(std::unique_ptr<BluetoothInquiry>& inquiry)
{
    auto record = std::make_shared<InquiryRecord>();
    record->Adapter = Adapter();
    if (record->Adapter.isEmpty())
        return BluetoothResult::Unavailable;
    if (const auto r = Join(record); r != BluetoothResult::Ok)
        return r;
    inquiry = std::make_unique<BluezInquiry>(*this, std::move(record));
    return BluetoothResult::Ok;
}

void BluezSignals::InterfacesAdded(const QDBusMessage& message)
{
    const QVariantList args = message.arguments();
    if (args.size() < 2)
        return;
    stack_.OnInterfacesAdded(args[0].value<QDBusObjectPath>().path(), qdbus_cast<InterfaceMap>(args[1]));
}

void BluezSignals::InterfacesRemoved(const QDBusMessage& message)
{
    const QVariantList args = message.arguments();
    if (args.size() < 2)
        return;
    stack_.OnInterfacesRemoved(args[0].value<QDBusObjectPath>().path(), args[1].toStringList());
}

} // namespace

std::unique_ptr<BluetoothStack> CreateBluezBluetoothStack()
{
    return std::make_unique<BluezBluetoothStack>();
}

} // namespace dabrix::platform

#include "BluetoothStackBluez.moc"
