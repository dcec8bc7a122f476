// Inquiries on the vendor stacks, each the stack's own way, giving the same device list
// as the platform stack's inquiry.
#include "transport/lnkAddress.h"
#include "transport/lnkBluetoothDiscovery.h"
#include "transport/lnkMessages.h"
#include "transport/lnkVendorLoaders.h"
#include "transport/lnkWait.h"

#include <QDebug>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <condition_variable>
#include <mutex>
#include <poll.h>

using namespace dabrix::transport;

namespace {

// The stack keeps at most this many stored devices, and reports as many per inquiry.
constexpr size_t kBlueSoleilStoredDevices = 256;
constexpr uint16_t kBlueSoleilInquiryDevices = 255;

// How long an inquiry may run beyond its length before it counts as failed.
constexpr int kInquiryUnitMs = 1280;
constexpr int kInquirySlackMs = 5000;

int InquiryLimitMs(uint8_t length)
{
    return std::max<int>(length, 1) * kInquiryUnitMs + kInquirySlackMs;
}

std::unique_ptr<TlnkBluetoothDevices> ListOf(const std::vector<VendorAddress>& addresses)
{
    auto devices = std::make_unique<TlnkBluetoothDevices>();
    const VendorAddress none{};
    for (const VendorAddress& a : addresses)
        if (a != none)
            devices->Add(new TlnkBluetoothDevice(BluetoothAddressToString(AddressOfVendor(a))));
    return devices;
}

std::unique_ptr<TlnkBluetoothDevices> InquireBlueSoleil(BlueSoleilStack& stack, uint8_t length, bool cached,
                                                        int cancelFd)
{
    std::vector<uint32_t> handles;
    if (cached) {
        if (stack.Btsdk_EnumRemoteDevices(handles, kBlueSoleilStoredDevices) != bluesoleil::kSuccess)
            return nullptr;
    } else {
        // The callbacks come on the stack's threads; the found devices are collected
        // under a lock until the completion callback.
        struct Collected {
            std::mutex lock;
            std::condition_variable changed;
            std::vector<uint32_t> handles;
            bool complete = false;
        };
        auto collected = std::make_shared<Collected>();
        stack.Btsdk_RegisterCallback4ThirdParty(
            [collected](uint32_t device) {
                std::lock_guard guard(collected->lock);
                collected->handles.push_back(device);
            },
            [collected] {
                {
                    std::lock_guard guard(collected->lock);
                    collected->complete = true;
                }
                collected->changed.notify_all();
            });
        if (stack.Btsdk_StartDeviceDiscovery(length, kBlueSoleilInquiryDevices) != bluesoleil::kSuccess) {
            stack.Btsdk_RegisterCallback4ThirdParty({}, {});
            return nullptr;
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(InquiryLimitMs(length));
        bool complete = false;
        while (!complete && std::chrono::steady_clock::now() < deadline && !Signalled(cancelFd)) {
            std::unique_lock guard(collected->lock);
            complete = collected->changed.wait_for(guard, std::chrono::milliseconds(20),
                                                   [&] { return collected->complete; });
        }
        stack.Btsdk_RegisterCallback4ThirdParty({}, {});
        if (!complete) {
            stack.Btsdk_StopDeviceDiscovery();
            return nullptr;
        }
        std::lock_guard guard(collected->lock);
        handles = collected->handles;
    }
    std::vector<VendorAddress> addresses;
    for (uint32_t handle : handles) {
        uint16_t type = 0;
        VendorAddress address{};
        if (stack.Btsdk_GetRemoteDeviceType(handle, type) == bluesoleil::kSuccess &&
            type == bluesoleil::kLocalDeviceType)
            continue;
        if (stack.Btsdk_GetRemoteDeviceAddress(handle, address) == bluesoleil::kSuccess)
            addresses.push_back(address);
    }
    return ListOf(addresses);
}

std::unique_ptr<TlnkBluetoothDevices> InquireToshiba(ToshibaStack& stack, uint8_t length, bool cached)
{
    std::vector<VendorDeviceInfo> found;
    if (!(cached ? stack.BtGetRemoteDeviceList2(found) : stack.BtDiscoverRemoteDevice2(length, found)))
        return nullptr;
    std::vector<VendorAddress> addresses;
    for (const VendorDeviceInfo& entry : found)
        addresses.push_back(entry.Address);
    return ListOf(addresses);
}

// The bridge reports to a window: this thread makes one and serves it until the result
// comes, the inquiry's time is up or the search is cancelled.
std::unique_ptr<TlnkBluetoothDevices> InquireWidComm(WidCommStack& stack, uint8_t length, int cancelFd)
{
    std::unique_ptr<TlnkBluetoothDevices> devices;
    bool answered = false;
    QEventLoop loop;
    NotificationWindow window;
    const int made = window.Create(
        [&](uint32_t msg, uintptr_t w, intptr_t l) {
            if (msg != msg::WidCommInquiryResult || answered)
                return;
            answered = true;
            const auto* found = reinterpret_cast<const VendorAddress*>(w);
            const size_t count = l > 0 && found ? static_cast<size_t>(l) : 0;
            devices = ListOf(std::vector<VendorAddress>(found, found + count));
            loop.quit();
        },
        /*Broadcasts=*/false);
    if (made != 0)
        return nullptr;
    if (const int err = stack.WD_Discovery(window.Handle(), length); err != 0) {
        qWarning().noquote() << "Dabrix: WidComm inquiry did not start:" << err;
        return nullptr;
    }
    QSocketNotifier cancel(cancelFd, QSocketNotifier::Read);
    QObject::connect(&cancel, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
    QTimer::singleShot(InquiryLimitMs(length), &loop, &QEventLoop::quit);
    if (!Signalled(cancelFd))
        loop.exec();
    window.Destroy();
    if (!answered)
        stack.WD_Terminate();
    return devices;
}

} // namespace

std::unique_ptr<TlnkBluetoothDevices> dabrix::transport::InquireVendorDevices(TlnkBluetoothApi Api, uint8_t Length,
                                                                              bool Cached, int CancelFd)
{
    switch (Api) {
    case baBlueSoleil:
        if (const std::shared_ptr<BlueSoleilStack> stack = BoundBlueSoleilStack())
            return InquireBlueSoleil(*stack, Length, Cached, CancelFd);
        break;
    case baToshiba:
        if (const std::shared_ptr<ToshibaStack> stack = BoundToshibaStack())
            return InquireToshiba(*stack, Length, Cached);
        break;
    case baWidComm:
        if (const std::shared_ptr<WidCommStack> stack = BoundWidCommStack())
            return InquireWidComm(*stack, Length, CancelFd);
        break;
    case baMicrosoft:
        break;
    }
    return nullptr;
}

void dabrix::transport::CancelVendorInquiry(TlnkBluetoothApi Api)
{
    switch (Api) {
    case baBlueSoleil:
        if (const std::shared_ptr<BlueSoleilStack> stack = BoundBlueSoleilStack())
            stack->Btsdk_StopDeviceDiscovery();
        break;
    case baToshiba:
        if (const std::shared_ptr<ToshibaStack> stack = BoundToshibaStack())
            stack->BtCancelDiscoverRemoteDevice();
        break;
    case baWidComm:
        if (const std::shared_ptr<WidCommStack> stack = BoundWidCommStack())
            stack->WD_Terminate();
        break;
    case baMicrosoft:
        break;
    }
}
