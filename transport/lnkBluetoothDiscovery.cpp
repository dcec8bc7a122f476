#include "transport/lnkBluetoothDiscovery.h"

#include "platform/bluetooth/BluetoothStack.h"
#include "transport/lnkAPI.h"
#include "transport/lnkAddress.h"
#include "transport/lnkErrors.h"
#include "transport/lnkMessages.h"
#include "transport/lnkMicrosoftLoader.h"

#include <QDebug>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <poll.h>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>
#include <utility>

using namespace dabrix::transport;
namespace platform = dabrix::platform;
using platform::BluetoothResult;

namespace {

// One inquiry unit of the Bluetooth baseband.
constexpr int kInquiryUnitMs = 1280;
constexpr auto kWatcherSendTimeout = std::chrono::milliseconds(500);
constexpr int kWatcherRetryMs = 100;

// Whether `fd` becomes readable within `timeoutMs` (0: just look).
bool Signalled(int fd, int timeoutMs)
{
    pollfd p{fd, POLLIN, 0};
    for (;;) {
        const int n = ::poll(&p, 1, timeoutMs);
        if (n >= 0)
            return n > 0;
        if (errno != EINTR)
            return true;  // a broken descriptor must not keep a thread waiting
    }
}

void Signal(int fd)
{
    const uint64_t one = 1;
    while (::write(fd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

// Marks the time a handler runs inside a worker's send.
class ServingSend {
public:
    explicit ServingSend(bool& flag) : flag_(flag), old_(std::exchange(flag, true)) {}
    ~ServingSend() { flag_ = old_; }
    ServingSend(const ServingSend&) = delete;
    ServingSend& operator=(const ServingSend&) = delete;

private:
    bool& flag_;
    bool old_;
};

bool Listed(const TlnkBluetoothDevices& Devices, const QString& Address)
{
    for (int i = 0; i < Devices.Count(); ++i)
        if (Devices.Items(i)->Address().compare(Address, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

} // namespace

std::unique_ptr<TlnkBluetoothDevices> dabrix::transport::InquireDevices(TlnkBluetoothApi Api,
                                                                        platform::BluetoothStack* Stack, uint8_t Length,
                                                                        bool Cached, int CancelFd)
{
    if (Api != baMicrosoft)
        return InquireVendorDevices(Api, Length, Cached, CancelFd);
    if (!Stack)
        return nullptr;
    std::vector<platform::BluetoothDeviceInfo> found;
    BluetoothResult r;
    if (Cached) {
        r = Stack->CachedDevices(found);
    } else {
        std::unique_ptr<platform::BluetoothInquiry> inquiry;
        r = Stack->StartInquiry(inquiry);
        if (r == BluetoothResult::Ok) {
            if (Signalled(CancelFd, std::max<int>(Length, 1) * kInquiryUnitMs))
                return nullptr;
            r = inquiry->Stop(found);
        }
    }
    if (r != BluetoothResult::Ok) {
        qWarning().noquote() << "Dabrix: Bluetooth inquiry failed:" << platform::BluetoothResultText(r);
        return nullptr;
    }
    auto devices = std::make_unique<TlnkBluetoothDevices>();
    for (const platform::BluetoothDeviceInfo& info : found)
        devices->Add(new TlnkBluetoothDevice(BluetoothAddressToString(info.Address)));
    return devices;
}

TlnkBluetoothDiscovery::TlnkBluetoothDiscovery(TComponent* Owner) : TlnkBaseComponent(Owner) {}

TlnkBluetoothDiscovery::~TlnkBluetoothDiscovery()
{
    Terminate();
    StopMonitoring();
    if (servingSend_) {
        // Freed by a handler of a worker's own notification: that worker returns only
        // after the handler, so it cannot be waited for here.
        for (const std::unique_ptr<Worker>& w : spent_)
            if (w->thread.joinable())
                w->thread.detach();
        servingSend_ = false;
    }
    Reap();
}

int TlnkBluetoothDiscovery::EnumRadios(TlnkBluetoothRadios* Radios)
{
    if (!Radios)
        return code::InvalidArgument;
    if (!IsTransportAvailable(trBluetooth))
        return code::TransportNotAvailable;
    Radios->Clear();
    for (TlnkBluetoothApi api : {baBlueSoleil, baToshiba, baWidComm, baMicrosoft})
        if (IsBluetoothApiAvailable(api))
            Radios->Add(new TlnkBluetoothRadio(api));
    return code::Ok;
}

int TlnkBluetoothDiscovery::Discover(const TlnkBluetoothRadio* Radio, uint8_t Length, bool Cached)
{
    if (Monitoring())
        return code::MonitoringActive;
    if (Discovering())
        return code::DiscoveryActive;
    std::shared_ptr<platform::BluetoothStack> stack;
    if (const int result = StackForRadio(Radio, stack); result != code::Ok)
        return result;
    Reap();
    if (const int result = CreateNotificationWindow(); result != code::Ok)
        return result;

    auto search = std::make_unique<Worker>();
    search->cancelFd = ::eventfd(0, EFD_CLOEXEC);
    if (search->cancelFd < 0) {
        DestroyNotificationWindow();
        return code::OutOfResources;
    }
    radio_ = std::make_unique<TlnkBluetoothRadio>();
    radio_->Assign(Radio);
    length_ = Length;
    try {
        search->thread = std::thread(&TlnkBluetoothDiscovery::Search, NotificationWindow(), Radio->Api(),
                                     std::move(stack), Length, Cached, search->cancelFd, search->done);
    } catch (const std::system_error&) {
        ::close(search->cancelFd);
        radio_.reset();
        DestroyNotificationWindow();
        return code::OutOfResources;
    }
    search_ = std::move(search);
    return code::Ok;
}

void TlnkBluetoothDiscovery::Search(WindowHandle Window, TlnkBluetoothApi Api,
                                    std::shared_ptr<platform::BluetoothStack> Stack, uint8_t Length, bool Cached,
                                    int CancelFd, std::shared_ptr<std::atomic<bool>> Done)
{
    Window.Post(msg::SearchStarted);
    const std::unique_ptr<TlnkBluetoothDevices> devices = InquireDevices(Api, Stack.get(), Length, Cached, CancelFd);
    // The stack belongs to the owner thread's library; hold it no longer than needed.
    Stack.reset();
    // Sent, so the list lives until the owner has copied it. Terminate destroys the
    // window first, and then the owner never sees it.
    if (Window.Valid())
        Window.Send(msg::SearchResult, reinterpret_cast<uintptr_t>(devices.get()));
    *Done = true;
}

int TlnkBluetoothDiscovery::Terminate()
{
    if (!Discovering())
        return code::DiscoveryNotStarted;
    // The vendor stacks end their inquiry; the platform's stack has nothing to cancel.
    // Either way the thread is told to give up waiting for it.
    if (radio_)
        CancelVendorInquiry(radio_->Api());
    Signal(search_->cancelFd);
    DestroyNotificationWindow();
    FinishSearch(nullptr);
    Reap();
    return code::Ok;
}

void TlnkBluetoothDiscovery::Stop(Worker& W)
{
    if (W.thread.joinable())
        JoinServingSends(W.thread, *W.done);
    if (W.cancelFd >= 0)
        ::close(W.cancelFd);
    W.cancelFd = -1;
}

void TlnkBluetoothDiscovery::Reap()
{
    if (servingSend_)
        return;
    for (const std::unique_ptr<Worker>& w : spent_)
        Stop(*w);
    spent_.clear();
}

void TlnkBluetoothDiscovery::FinishSearch(const TlnkBluetoothDevices* Devices)
{
    DestroyNotificationWindow();
    if (search_)
        spent_.push_back(std::move(search_));
    // The radio copy is released after the event, whose handler may read it.
    const std::unique_ptr<TlnkBluetoothRadio> radio = std::move(radio_);
    DoDiscoveryComplete(radio.get(), Devices);
}

int TlnkBluetoothDiscovery::StartMonitoring(const TlnkBluetoothRadio* Radio, uint8_t Length)
{
    if (Monitoring())
        return code::MonitoringActive;
    if (Discovering())
        return code::DiscoveryActive;
    std::shared_ptr<platform::BluetoothStack> stack;
    if (const int result = StackForRadio(Radio, stack); result != code::Ok)
        return result;
    Reap();
    if (const int result = CreateNotificationWindow(); result != code::Ok)
        return result;
    const int stopFd = ::eventfd(0, EFD_CLOEXEC);
    if (stopFd < 0) {
        DestroyNotificationWindow();
        return code::OutOfResources;
    }
    radio_ = std::make_unique<TlnkBluetoothRadio>();
    radio_->Assign(Radio);
    length_ = Length;
    auto watcher = std::make_unique<Worker>();
    watcher->cancelFd = stopFd;
    try {
        watcher->thread = std::thread(&TlnkBluetoothDiscovery::Watch, NotificationWindow(), std::move(stack), *radio_,
                                      Length, stopFd, watcher->done);
    } catch (const std::system_error&) {
        ::close(stopFd);
        radio_.reset();
        DestroyNotificationWindow();
        return code::OutOfResources;
    }
    watcher_ = std::move(watcher);
    watchStop_ = stopFd;
    return code::Ok;
}

int TlnkBluetoothDiscovery::StopMonitoring()
{
    if (!Monitoring())
        return code::MonitoringNotActive;
    DestroyNotificationWindow();
    Signal(watchStop_);
    spent_.push_back(std::move(watcher_));
    watchStop_ = -1;
    Reap();
    radio_.reset();
    return code::Ok;
}

void TlnkBluetoothDiscovery::Watch(WindowHandle Window, std::shared_ptr<platform::BluetoothStack> Stack,
                                   TlnkBluetoothRadio Radio, uint8_t Length, int StopFd,
                                   std::shared_ptr<std::atomic<bool>> Done)
{
    // Paired devices are listed by the platform's stack even when out of range; only one
    // that answers a service search is really there.
    auto reachable = [&](const TlnkBluetoothDevice& device) {
        if (Radio.Api() != baMicrosoft)
            return true;
        bool paired = false;
        if (device.GetPaired(&Radio, paired) != code::Ok || !paired)
            return true;
        TlnkBluetoothServices services;
        return EnumPlatformServices(device.Address(), services, L2capProtocolUuid(), StopFd) == code::Ok;
    };
    // An event whose send times out is not repeated; the known list follows regardless.
    auto deliver = [&](uint32_t message, const TlnkBluetoothDevice& device) {
        Window.SendTimeout(message, reinterpret_cast<uintptr_t>(&device), 0, kWatcherSendTimeout);
    };

    TlnkBluetoothDevices known;
    while (!Signalled(StopFd, 0)) {
        const std::unique_ptr<TlnkBluetoothDevices> result =
            InquireDevices(Radio.Api(), Stack.get(), Length, false, StopFd);
        if (!result) {
            if (Signalled(StopFd, kWatcherRetryMs))
                break;
            continue;
        }
        bool stopping = false;
        for (int i = 0; i < known.Count() && !stopping;) {
            const TlnkBluetoothDevice& device = *known.Items(i);
            if (Listed(*result, device.Address()) && reachable(device)) {
                ++i;
            } else {
                deliver(msg::DeviceLost, device);
                known.Delete(i);
            }
            stopping = Signalled(StopFd, 0);
        }
        for (int i = 0; i < result->Count() && !stopping; ++i) {
            const TlnkBluetoothDevice& device = *result->Items(i);
            if (!Listed(known, device.Address()) && reachable(device)) {
                auto copy = std::make_unique<TlnkBluetoothDevice>();
                copy->Assign(&device);
                known.Add(copy.release());
                deliver(msg::DeviceFound, device);
            }
            stopping = Signalled(StopFd, 0);
        }
        if (stopping)
            break;
    }
    Stack.reset();
    *Done = true;
}

void TlnkBluetoothDiscovery::HandleNotification(uint32_t Msg, uintptr_t WParam, intptr_t LParam)
{
    switch (Msg) {
    case msg::SearchStarted:
        if (Discovering())
            DoDiscoveryStarted(radio_.get());
        break;
    case msg::SearchResult: {
        if (!Discovering())
            return;
        const ServingSend serving(servingSend_);
        if (const auto* devices = reinterpret_cast<const TlnkBluetoothDevices*>(WParam)) {
            result_.Assign(devices);
            NotificationWindow().Post(msg::SearchComplete);
        } else {
            FinishSearch(nullptr);
        }
        break;
    }
    case msg::SearchComplete:
        if (!Discovering())
            return;
        FinishSearch(&result_);
        // The thread has left its send by now and only returns.
        Reap();
        break;
    case msg::DeviceFound:
    case msg::DeviceLost: {
        if (!Monitoring())
            return;
        const ServingSend serving(servingSend_);
        // The radio copy may go while the handler runs (it may stop the watcher).
        const TlnkBluetoothRadio radio(radio_->Api());
        const auto* device = reinterpret_cast<const TlnkBluetoothDevice*>(WParam);
        if (Msg == msg::DeviceFound)
            DoDeviceFound(&radio, device);
        else
            DoDeviceLost(&radio, device);
        break;
    }
    default:
        TlnkBaseComponent::HandleNotification(Msg, WParam, LParam);
        break;
    }
}

void TlnkBluetoothDiscovery::ApiChanged()
{
    const bool gone = !IsTransportAvailable(trBluetooth) || (radio_ && !IsBluetoothApiAvailable(radio_->Api()));
    if (!gone)
        return;
    Terminate();
    StopMonitoring();
}

void TlnkBluetoothDiscovery::ApiUnloading()
{
    Terminate();
    StopMonitoring();
    Reap();
}

void TlnkBluetoothDiscovery::DoDiscoveryComplete(const TlnkBluetoothRadio* Radio, const TlnkBluetoothDevices* Devices)
{
    if (OnDiscoveryComplete)
        OnDiscoveryComplete(this, Radio, Devices);
}

void TlnkBluetoothDiscovery::DoDiscoveryStarted(const TlnkBluetoothRadio* Radio)
{
    if (OnDiscoveryStarted)
        OnDiscoveryStarted(this, Radio);
}

void TlnkBluetoothDiscovery::DoDeviceFound(const TlnkBluetoothRadio* Radio, const TlnkBluetoothDevice* Device)
{
    if (OnDeviceFound)
        OnDeviceFound(this, Radio, Device);
}

void TlnkBluetoothDiscovery::DoDeviceLost(const TlnkBluetoothRadio* Radio, const TlnkBluetoothDevice* Device)
{
    if (OnDeviceLost)
        OnDeviceLost(this, Radio, Device);
}
