#pragma once
// Bluetooth discovery: one radio per available stack, inquiries on a chosen radio, and a
// presence watcher that reports devices coming into and leaving range.
//
// Discover runs one inquiry on a thread of its own and returns at once;
// OnDiscoveryStarted and then OnDiscoveryComplete follow on the owner thread. The watcher
// (StartMonitoring) repeats inquiries until StopMonitoring and raises OnDeviceFound and
// OnDeviceLost as devices come and go. A search and the watcher exclude each other.
//
// Threading: the component is used on its owner thread. The search and watcher threads
// reach it only through its notification window: the search hands over its result with a
// synchronous notification, the watcher its events with a 500 ms time-out, so device
// objects given to the events are valid for the call only.
#include "transport/lnkBaseComponent.h"
#include "transport/lnkBluetoothDevice.h"

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace dabrix::platform {
class BluetoothStack;
}

// Devices is none when the stack failed or the search was terminated.
using TlnkBluetoothDiscoveryCompleteEvent =
    std::function<void(TObject* Sender, const TlnkBluetoothRadio* Radio, const TlnkBluetoothDevices* Devices)>;
using TlnkBluetoothDiscoveryStartedEvent = std::function<void(TObject* Sender, const TlnkBluetoothRadio* Radio)>;
using TlnkBluetoothMonitorEvent =
    std::function<void(TObject* Sender, const TlnkBluetoothRadio* Radio, const TlnkBluetoothDevice* Device)>;

class TlnkBluetoothDiscovery : public TlnkBaseComponent {
public:
    explicit TlnkBluetoothDiscovery(TComponent* Owner);
    // Terminates a search and stops the watcher first.
    ~TlnkBluetoothDiscovery() override;

    // 5 for no list, 13 without trBluetooth; else the list holds one radio per available
    // stack (BlueSoleil, Toshiba, WidComm, then the platform's own) and 0.
    int EnumRadios(TlnkBluetoothRadios* Radios);
    // One inquiry of `Length` units of 1.28 s; `Cached` lists the devices the stack
    // remembers instead. 700 while watching, 21 while searching, 5 for no radio, 13 or 14
    // when the stack is not available, the window's code, 1 when no thread can be
    // started, 15 for an unknown stack; 0 when the search runs.
    int Discover(const TlnkBluetoothRadio* Radio, uint8_t Length, bool Cached);
    // 20 when no search runs (also while watching); else ends the search and raises
    // OnDiscoveryComplete without devices; 0.
    int Terminate();
    // 700 when watching, 21 while searching, the radio checks of Discover, 1 when the
    // watcher cannot be made; 0 when watching.
    int StartMonitoring(const TlnkBluetoothRadio* Radio, uint8_t Length);
    // 701 when not watching; else stops the watcher, waiting for it, and returns 0.
    int StopMonitoring();
    bool Monitoring() const { return watchStop_ >= 0; }
    bool Discovering() const { return search_ != nullptr; }

    TlnkBluetoothDiscoveryCompleteEvent OnDiscoveryComplete;
    TlnkBluetoothDiscoveryStartedEvent OnDiscoveryStarted;
    TlnkBluetoothMonitorEvent OnDeviceFound;
    TlnkBluetoothMonitorEvent OnDeviceLost;

protected:
    virtual void DoDiscoveryComplete(const TlnkBluetoothRadio* Radio, const TlnkBluetoothDevices* Devices);
    virtual void DoDiscoveryStarted(const TlnkBluetoothRadio* Radio);
    virtual void DoDeviceFound(const TlnkBluetoothRadio* Radio, const TlnkBluetoothDevice* Device);
    virtual void DoDeviceLost(const TlnkBluetoothRadio* Radio, const TlnkBluetoothDevice* Device);

    void HandleNotification(uint32_t Msg, uintptr_t WParam, intptr_t LParam) override;
    void ApiChanged() override;
    void ApiUnloading() override;

private:
    // A worker thread with its cancel descriptor (readable once cancelled) and the flag
    // it sets as its last step.
    struct Worker {
        std::thread thread;
        int cancelFd = -1;
        std::shared_ptr<std::atomic<bool>> done = std::make_shared<std::atomic<bool>>(false);
    };

    // Ends the search on the owner thread; `Devices` none for a failed or ended one.
    void FinishSearch(const TlnkBluetoothDevices* Devices);
    // Joins the threads that have ended their work; not while one of them waits for the
    // owner in a send (a handler of its notification may start or stop again).
    void Reap();
    static void Stop(Worker& W);

    static void Search(dabrix::transport::WindowHandle Window, TlnkBluetoothApi Api,
                       std::shared_ptr<dabrix::platform::BluetoothStack> Stack, uint8_t Length, bool Cached,
                       int CancelFd, std::shared_ptr<std::atomic<bool>> Done);
    static void Watch(dabrix::transport::WindowHandle Window, std::shared_ptr<dabrix::platform::BluetoothStack> Stack,
                      TlnkBluetoothRadio Radio, uint8_t Length, int StopFd, std::shared_ptr<std::atomic<bool>> Done);

    std::unique_ptr<TlnkBluetoothRadio> radio_;
    uint8_t length_ = 0;
    TlnkBluetoothDevices result_;
    int watchStop_ = -1;
    std::unique_ptr<Worker> watcher_;
    std::unique_ptr<Worker> search_;
    std::vector<std::unique_ptr<Worker>> spent_;
    bool servingSend_ = false;
};

namespace dabrix::transport {

// One inquiry (or the cached list) on the radio's stack (`Stack` for the platform's, a
// vendor stack through its binding), as the library's device list; none when the stack
// fails or `CancelFd` becomes readable first.
std::unique_ptr<TlnkBluetoothDevices> InquireDevices(TlnkBluetoothApi Api, platform::BluetoothStack* Stack,
                                                     uint8_t Length, bool Cached, int CancelFd);
// The vendor stacks' halves of the above (lnkVendorDiscovery.cpp).
std::unique_ptr<TlnkBluetoothDevices> InquireVendorDevices(TlnkBluetoothApi Api, uint8_t Length, bool Cached,
                                                           int CancelFd);
// Ends a vendor stack's inquiry in the stack.
void CancelVendorInquiry(TlnkBluetoothApi Api);

} // namespace dabrix::transport
