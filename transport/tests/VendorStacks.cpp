#include "transport/tests/VendorStacks.h"

#include "platform/ComPortMap.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace dabrix::test {

using namespace transport;
using namespace std::chrono_literals;

namespace {

// A connect call that blocks waits at most this long for its cancellation.
constexpr auto kBlockedCallLimit = 60s;

std::string Hex(const VendorAddress& a)
{
    char text[13];
    std::snprintf(text, sizeof text, "%02X%02X%02X%02X%02X%02X", a[5], a[4], a[3], a[2], a[1], a[0]);
    return text;
}

} // namespace

// --- VirtualPort ---

VirtualPort::VirtualPort(int number)
{
    platform::ComPortMap map;
    if (number == 0) {
        number_ = map.Register(pty_.SlavePath());
    } else if (map.Assign(number, pty_.SlavePath())) {
        number_ = number;
    }
    EXPECT_NE(number_, 0) << "the COM port map cannot be written";
}

VirtualPort::~VirtualPort()
{
    if (number_ != 0)
        platform::ComPortMap().Unregister(number_);
}

bool VirtualPort::OpenedByProgram() const
{
    const int fd = ::open(pty_.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == EBUSY;  // held exclusively
    const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return locked;
}

// --- SimBase ---

void SimBase::SetPresent(bool present)
{
    present_ = present;
    std::lock_guard guard(handlerLock_);
    if (handler_)
        handler_(present);
}

void SimBase::SetHandler(VendorStack::PresenceHandler handler)
{
    std::lock_guard guard(handlerLock_);
    handler_ = std::move(handler);
}

std::vector<std::string> SimBase::Log() const
{
    std::lock_guard guard(lock_);
    return log_;
}

bool SimBase::Logged(const std::string& entry) const
{
    const std::vector<std::string> log = Log();
    return std::find(log.begin(), log.end(), entry) != log.end();
}

void SimBase::Note(const std::string& entry)
{
    std::lock_guard guard(lock_);
    log_.push_back(entry);
}

// --- TaskThread ---

TaskThread::TaskThread() : thread_([this] {
    std::unique_lock guard(lock_);
    for (;;) {
        changed_.wait(guard, [&] { return stop_ || !tasks_.empty(); });
        if (tasks_.empty())
            return;
        std::function<void()> task = std::move(tasks_.front());
        tasks_.pop_front();
        busy_ = true;
        guard.unlock();
        task();
        guard.lock();
        busy_ = false;
        changed_.notify_all();
    }
})
{
}

TaskThread::~TaskThread()
{
    {
        std::lock_guard guard(lock_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void TaskThread::Run(std::function<void()> task)
{
    {
        std::lock_guard guard(lock_);
        tasks_.push_back(std::move(task));
    }
    changed_.notify_all();
}

void TaskThread::Drain()
{
    std::unique_lock guard(lock_);
    changed_.wait(guard, [&] { return tasks_.empty() && !busy_; });
}

// --- SimDevices ---

void SimDevices::Add(const SimDevice& device)
{
    std::lock_guard guard(lock_);
    devices_.push_back(device);
}

bool SimDevices::Find(const VendorAddress& address, SimDevice& device) const
{
    std::lock_guard guard(lock_);
    for (const SimDevice& d : devices_) {
        if (d.info.Address == address) {
            device = d;
            return true;
        }
    }
    return false;
}

std::vector<SimDevice> SimDevices::All() const
{
    std::lock_guard guard(lock_);
    return devices_;
}

std::vector<VendorDeviceInfo> SimDevices::Infos(const std::function<bool(const SimDevice&)>& pick) const
{
    std::vector<VendorDeviceInfo> infos;
    for (const SimDevice& d : All())
        if (pick(d))
            infos.push_back(d.info);
    return infos;
}

bool SimDevices::Services(const VendorAddress& address, const QUuid* serviceClass,
                          std::vector<VendorService>& services) const
{
    SimDevice device;
    if (!Find(address, device))
        return false;
    services.clear();
    for (const VendorService& s : device.services)
        if (!serviceClass || s.Uuid == *serviceClass)
            services.push_back(s);
    return true;
}

// --- BlueSoleil ---

SimBlueSoleil::~SimBlueSoleil()
{
    thread_.Drain();
}

VirtualPort* SimBlueSoleil::Port()
{
    std::lock_guard guard(lock_);
    const auto it = ports_.find(lastConnection_);
    return it == ports_.end() ? nullptr : it->second.get();
}

void SimBlueSoleil::DropLink()
{
    thread_.Run([this] {
        std::function<void(uint32_t)> closed;
        uint32_t connection;
        {
            std::lock_guard guard(lock_);
            closed = closed_;
            connection = lastConnection_;
        }
        if (closed)
            closed(connection);
    });
    thread_.Drain();
}

uint32_t SimBlueSoleil::BT_ConnectSPPExService(const BlueSoleilDeviceRecord& device, BlueSoleilSppService& service,
                                               uint32_t& connection, const Cancellation& cancel)
{
    ++callsRunning;
    struct Leave {
        std::atomic<int>& n;
        ~Leave() { --n; }
    } leave{callsRunning};
    Note("connect " + Hex(device.Address) + " channel " + std::to_string(service.Channel));
    if (device.Size != bluesoleil::kDeviceRecordSize || service.Size != bluesoleil::kSppServiceSize)
        return 9;
    if (connectBlocks) {
        if (cancel.WaitFor(kBlockedCallLimit))
            ++cancelledCalls;
        return 0;
    }
    const uint32_t status = connectStatus;
    if (status != bluesoleil::kSuccess)
        return status;
    auto port = std::make_unique<VirtualPort>();
    std::lock_guard guard(lock_);
    connection = nextConnection_++;
    lastConnection_ = connection;
    service.ComPort = portInRecord ? static_cast<uint32_t>(port->Number()) : 0;
    ports_[connection] = std::move(port);
    return bluesoleil::kSuccess;
}

uint32_t SimBlueSoleil::BT_DisconnectSPPExService(uint32_t connection)
{
    std::unique_ptr<VirtualPort> port;
    {
        std::lock_guard guard(lock_);
        const auto it = ports_.find(connection);
        if (it == ports_.end())
            return 8;
        port = std::move(it->second);
        ports_.erase(it);
    }
    Note(std::string("disconnect, port ") + (port->OpenedByProgram() ? "open" : "closed"));
    return bluesoleil::kSuccess;
}

uint32_t SimBlueSoleil::BT_GetConnectInfo(uint32_t connection, BlueSoleilConnectInfo& info)
{
    std::lock_guard guard(lock_);
    const auto it = ports_.find(connection);
    if (it == ports_.end())
        return 8;
    info.ComPort = static_cast<uint32_t>(it->second->Number());
    return bluesoleil::kSuccess;
}

void SimBlueSoleil::SetConnectionClosedHandler(std::function<void(uint32_t)> handler)
{
    std::lock_guard guard(lock_);
    closed_ = std::move(handler);
}

uint32_t SimBlueSoleil::BT_GetRemoteDeviceInfo(uint32_t mask, BlueSoleilRemoteInfo& info)
{
    if (info.Size != bluesoleil::kRemoteInfoSize)
        return 9;
    SimDevice device;
    if (!Find(info.Address, device))
        return 2;  // the stack's "no such device"
    if (mask & bluesoleil::kMaskName)
        info.Name = device.info.Name;
    if (mask & bluesoleil::kMaskClass)
        info.ClassOfDevice = device.info.ClassOfDevice;
    if (mask & bluesoleil::kMaskConnected)
        info.Connected = device.info.Connected;
    if (mask & bluesoleil::kMaskPaired)
        info.Paired = device.info.Paired;
    return bluesoleil::kSuccess;
}

uint32_t SimBlueSoleil::BT_BrowseServices(const VendorAddress& address, const QUuid* serviceClass,
                                          std::vector<VendorService>& services)
{
    return Services(address, serviceClass, services) ? bluesoleil::kSuccess : 2;
}

void SimBlueSoleil::Btsdk_RegisterCallback4ThirdParty(std::function<void(uint32_t)> found,
                                                      std::function<void()> complete)
{
    std::lock_guard guard(lock_);
    found_ = std::move(found);
    complete_ = std::move(complete);
}

// Device handles are the index in the device list plus one; the local device has its own.
uint32_t SimBlueSoleil::Btsdk_StartDeviceDiscovery(uint8_t, uint16_t maxDevices)
{
    Note("inquiry");
    thread_.Run([this, maxDevices] {
        std::function<void(uint32_t)> found;
        std::function<void()> complete;
        {
            std::lock_guard guard(lock_);
            found = found_;
            complete = complete_;
        }
        const std::vector<SimDevice> all = All();
        uint16_t reported = 0;
        if (found)
            found(kLocalHandle);
        for (size_t i = 0; i < all.size() && reported < maxDevices; ++i) {
            if (all[i].inRange && found) {
                found(static_cast<uint32_t>(i + 1));
                ++reported;
            }
        }
        if (complete)
            complete();
    });
    return bluesoleil::kSuccess;
}

uint32_t SimBlueSoleil::Btsdk_StopDeviceDiscovery()
{
    Note("stop inquiry");
    return bluesoleil::kSuccess;
}

uint32_t SimBlueSoleil::Btsdk_EnumRemoteDevices(std::vector<uint32_t>& devices, size_t max)
{
    devices.clear();
    devices.push_back(kLocalHandle);
    const std::vector<SimDevice> all = All();
    for (size_t i = 0; i < all.size() && devices.size() < max; ++i)
        if (all[i].info.Paired)
            devices.push_back(static_cast<uint32_t>(i + 1));
    return bluesoleil::kSuccess;
}

uint32_t SimBlueSoleil::Btsdk_GetRemoteDeviceType(uint32_t device, uint16_t& type)
{
    type = device == kLocalHandle ? bluesoleil::kLocalDeviceType : 2;
    return bluesoleil::kSuccess;
}

uint32_t SimBlueSoleil::Btsdk_GetRemoteDeviceAddress(uint32_t device, VendorAddress& address)
{
    const std::vector<SimDevice> all = All();
    if (device == 0 || device > all.size())
        return 2;
    address = all[device - 1].info.Address;
    return bluesoleil::kSuccess;
}

// --- Toshiba ---

SimToshiba::~SimToshiba() = default;

void SimToshiba::Accept(std::set<int> numbers)
{
    std::lock_guard guard(lock_);
    accepted_ = std::move(numbers);
}

VirtualPort* SimToshiba::Port()
{
    std::lock_guard guard(lock_);
    const auto it = ports_.find(lastPort_);
    return it == ports_.end() ? nullptr : it->second.get();
}

void SimToshiba::DropLink()
{
    WindowHandle window;
    uint32_t msg;
    {
        std::lock_guard guard(lock_);
        window = linkWindow_;
        msg = linkMsg_;
    }
    window.Post(msg, toshiba::kLinkLost);
}

QString SimToshiba::RequestPairing(const VendorAddress& address)
{
    Note("pair " + Hex(address));
    std::lock_guard guard(lock_);
    return pairingReply;
}

bool SimToshiba::BtGetRemoteDeviceList2(std::vector<VendorDeviceInfo>& devices)
{
    devices = Infos([](const SimDevice& d) { return d.info.Paired; });
    return true;
}

bool SimToshiba::BtGetConnectedDeviceList2(std::vector<VendorDeviceInfo>& devices)
{
    devices = Infos([](const SimDevice& d) { return d.info.Connected; });
    return true;
}

bool SimToshiba::BtDiscoverRemoteDevice2(uint8_t, std::vector<VendorDeviceInfo>& devices)
{
    Note("inquiry");
    if (inquiryBlocks && inquiryCancel_.WaitFor(kBlockedCallLimit))
        return false;
    // The stack's list carries an empty record at its end.
    devices = Infos([](const SimDevice& d) { return d.inRange; });
    devices.push_back(VendorDeviceInfo{});
    return true;
}

void SimToshiba::BtCancelDiscoverRemoteDevice()
{
    Note("cancel inquiry");
    inquiryCancel_.Cancel();
}

bool SimToshiba::BtSearchServices(const VendorAddress& address, const QUuid* serviceClass,
                                  std::vector<VendorService>& services)
{
    return Services(address, serviceClass, services);
}

bool SimToshiba::BtNotifyEvent(uint32_t mask, const WindowHandle& window, uint32_t msg)
{
    if (mask != toshiba::kPortReadyEventMask)
        return false;
    Note("notify event");
    std::lock_guard guard(lock_);
    eventWindow_ = window;
    eventMsg_ = msg;
    return true;
}

void SimToshiba::BtCancelNotifyEvent(const WindowHandle&)
{
    Note("cancel event");
    std::lock_guard guard(lock_);
    eventWindow_ = WindowHandle();
}

bool SimToshiba::BtCreateCOMM(const QString& port)
{
    const int number = port.startsWith(QLatin1String("COM")) ? port.mid(3).toInt() : 0;
    WindowHandle window;
    uint32_t msg;
    {
        std::lock_guard guard(lock_);
        if (!accepted_.count(number) || ports_.count(port))
            return false;
        ports_[port] = std::make_unique<VirtualPort>(number);
        lastPort_ = port;
        window = eventWindow_;
        msg = eventMsg_;
    }
    Note("create " + port.toStdString());
    // On the systems where the stack sends it, the port-ready event follows the port.
    if (!portReadyWithoutEvent && silence != Silence::BeforePortReady)
        window.Post(msg);
    return true;
}

bool SimToshiba::BtDestroyCOMM(const QString& port)
{
    std::unique_ptr<VirtualPort> gone;
    {
        std::lock_guard guard(lock_);
        const auto it = ports_.find(port);
        if (it == ports_.end())
            return false;
        gone = std::move(it->second);
        ports_.erase(it);
    }
    Note("destroy " + port.toStdString());
    return true;
}

bool SimToshiba::BtConnectCOMM2(const QString& port, const VendorAddress& address, uint8_t channel,
                                const WindowHandle& window, uint32_t msg, uint32_t security)
{
    {
        std::lock_guard guard(lock_);
        if (!ports_.count(port))
            return false;
    }
    lastSecurity_ = security;
    lastChannel_ = channel;
    Note("connect " + port.toStdString() + " " + Hex(address));
    if (silence == Silence::BeforeConnectStatus)
        return true;
    window.Post(msg, toshiba::kConnecting);
    if (silence == Silence::AfterConnecting)
        return true;
    if (connectFails)
        window.Post(msg, toshiba::kConnectFailed);
    window.Post(msg, toshiba::kConnectDone);
    return true;
}

bool SimToshiba::BtDisconnectCOMM(const QString& port)
{
    bool open = false;
    {
        std::lock_guard guard(lock_);
        const auto it = ports_.find(port);
        if (it == ports_.end())
            return false;
        open = it->second->OpenedByProgram();
    }
    Note("disconnect " + port.toStdString() + ", port " + (open ? "open" : "closed"));
    return true;
}

bool SimToshiba::BtNotifyCOMM(const QString& port, const WindowHandle& window, uint32_t msg)
{
    std::lock_guard guard(lock_);
    if (!ports_.count(port))
        return false;
    linkWindow_ = window;
    linkMsg_ = msg;
    return true;
}

void SimToshiba::BtCancelNotifyCOMM(const QString& port)
{
    Note("cancel link " + port.toStdString());
    std::lock_guard guard(lock_);
    linkWindow_ = WindowHandle();
}

// --- WidComm ---

SimWidComm::~SimWidComm()
{
    bridge_.Drain();
}

void SimWidComm::ToOpenClient(std::function<void(const WindowHandle&)> post)
{
    bridge_.Run([this, post = std::move(post)] {
        WindowHandle window;
        {
            std::lock_guard guard(lock_);
            const auto it = clients_.find(openClient_);
            if (it == clients_.end())
                return;
            window = it->second;
        }
        post(window);
    });
}

void SimWidComm::Receive(const std::string& bytes)
{
    ToOpenClient([bytes](const WindowHandle& window) {
        window.PostBlock(msg::WidCommData, bytes.data(), bytes.size(), static_cast<intptr_t>(bytes.size()));
    });
}

void SimWidComm::CloseLink()
{
    ToOpenClient([](const WindowHandle& window) { window.Post(msg::WidCommClosed); });
}

std::string SimWidComm::Written() const
{
    std::lock_guard guard(lock_);
    return written_;
}

bool SimWidComm::WD_BondQuery(const VendorAddress& address)
{
    bool paired = false;
    return Fact(address, &VendorDeviceInfo::Paired, paired) && paired;
}

bool SimWidComm::WD_IsConnected(const VendorAddress& address)
{
    bool connected = false;
    return Fact(address, &VendorDeviceInfo::Connected, connected) && connected;
}

bool SimWidComm::WD_GetRemoteDeviceCOD(const VendorAddress& address, uint32_t& cod)
{
    return Fact(address, &VendorDeviceInfo::ClassOfDevice, cod);
}

bool SimWidComm::WD_GetRemoteDeviceName(const VendorAddress& address, QString& name)
{
    return Fact(address, &VendorDeviceInfo::Name, name);
}

int SimWidComm::WD_EnumServices(const VendorAddress& address, const QUuid* serviceClass,
                                std::vector<VendorService>& services)
{
    Note("search " + Hex(address));
    if (!Services(address, serviceClass, services))
        return 2;
    return services.empty() ? 44 : 0;
}

int SimWidComm::WD_Discovery(const WindowHandle& window, uint8_t)
{
    const int result = discoveryResult;
    if (result != 0)
        return result;
    Note("inquiry");
    bridge_.Run([this, window] {
        std::vector<VendorAddress> found;
        for (const SimDevice& d : All())
            if (d.inRange)
                found.push_back(d.info.Address);
        window.PostBlock(msg::WidCommInquiryResult, found.data(), found.size() * sizeof(VendorAddress),
                         static_cast<intptr_t>(found.size()));
    });
    return 0;
}

void SimWidComm::WD_Terminate()
{
    Note("terminate");
}

uintptr_t SimWidComm::WD_CreateRfCommClient(const WindowHandle& window)
{
    std::lock_guard guard(lock_);
    const uintptr_t client = nextClient_++;
    clients_[client] = window;
    return client;
}

int SimWidComm::WD_OpenRfCommClient(uintptr_t client, const VendorAddress& address, uint8_t channel, bool, bool,
                                    const QString&, const QUuid&)
{
    WindowHandle window;
    {
        std::lock_guard guard(lock_);
        const auto it = clients_.find(client);
        if (it == clients_.end())
            return 5;
        window = it->second;
        openClient_ = client;
    }
    openedChannel_ = channel;
    Note("open " + Hex(address) + " channel " + std::to_string(channel));
    const int result = connectResult;
    if (result >= 0)
        bridge_.Run([window, result] { window.Post(msg::ConnectResult, static_cast<uintptr_t>(result)); });
    return 0;
}

int SimWidComm::WD_WriteRfCommClient(uintptr_t client, const void* buffer, uint32_t size)
{
    std::lock_guard guard(lock_);
    if (client != openClient_)
        return 2;
    written_.append(static_cast<const char*>(buffer), size);
    return 0;
}

void SimWidComm::WD_CloseRfCommClient(uintptr_t client)
{
    Note("close");
    std::lock_guard guard(lock_);
    if (openClient_ == client)
        openClient_ = 0;
}

void SimWidComm::WD_DestroyRfCommClient(uintptr_t client)
{
    Note("destroy");
    std::lock_guard guard(lock_);
    clients_.erase(client);
}

} // namespace dabrix::test
