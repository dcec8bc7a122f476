#pragma once
// Simulated vendor Bluetooth stacks, written from what the stacks are documented to do:
//  - BlueSoleil and Toshiba make a link a virtual COM port; here each port is a
//    pseudo-terminal registered in the COM port map, so the library's serial connection
//    really opens it and bytes really flow. The test plays the device on the master side.
//  - BlueSoleil's connect call blocks until the device answers: here it answers at once
//    with a chosen status, or blocks until the call is cancelled.
//  - Toshiba answers BtCreateCOMM for a chosen set of names and reports the steps of a
//    COM connection to the caller's window; it can be told to fall silent at any step.
//  - WidComm's bridge reports connect results, received bytes and the link's end from a
//    thread of its own, and offers services per channel.
// Every stack keeps a log of the calls that change something, for order checks.
#include "transport/lnkMessages.h"
#include "transport/lnkVendorStacks.h"
#include "transport/tests/Pty.h"

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace dabrix::test {

// A virtual COM port: a pseudo-terminal registered as COM<number>.
class VirtualPort {
public:
    // `number` 0: the lowest free number.
    explicit VirtualPort(int number = 0);
    ~VirtualPort();

    int Number() const { return number_; }
    Pty& Device() { return pty_; }
    // Whether a program holds the port open (the serial connection locks it).
    bool OpenedByProgram() const;

private:
    Pty pty_;
    int number_ = 0;
};

// Presence and the call log, common to the simulations.
class SimBase {
public:
    void SetPresent(bool present);
    bool IsPresent() const { return present_; }
    std::vector<std::string> Log() const;
    bool Logged(const std::string& entry) const;

protected:
    void Note(const std::string& entry);
    void SetHandler(transport::VendorStack::PresenceHandler handler);

private:
    std::atomic<bool> present_{true};
    mutable std::mutex lock_;
    std::vector<std::string> log_;
    std::mutex handlerLock_;
    transport::VendorStack::PresenceHandler handler_;
};

// One remote device as a simulated stack knows it.
struct SimDevice {
    transport::VendorDeviceInfo info;
    std::vector<transport::VendorService> services;
    bool inRange = true;
};

// A thread that runs posted tasks in order: the stacks' own threads.
class TaskThread {
public:
    TaskThread();
    ~TaskThread();
    void Run(std::function<void()> task);
    // Waits until every task given so far has run.
    void Drain();

private:
    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<std::function<void()>> tasks_;
    bool stop_ = false;
    bool busy_ = false;
    std::thread thread_;
};

class SimDevices {
public:
    void Add(const SimDevice& device);
    bool Find(const transport::VendorAddress& address, SimDevice& device) const;
    std::vector<SimDevice> All() const;
    // The facts of the devices that `pick` chooses.
    std::vector<transport::VendorDeviceInfo> Infos(const std::function<bool(const SimDevice&)>& pick) const;
    // One fact of a known device; false for an unknown one.
    template <typename T>
    bool Fact(const transport::VendorAddress& address, T transport::VendorDeviceInfo::*field, T& value) const
    {
        SimDevice d;
        if (!Find(address, d))
            return false;
        value = d.info.*field;
        return true;
    }
    // The services of `address` of that class (all when null); false for an unknown device.
    bool Services(const transport::VendorAddress& address, const QUuid* serviceClass,
                  std::vector<transport::VendorService>& services) const;

private:
    mutable std::mutex lock_;
    std::vector<SimDevice> devices_;
};

class SimBlueSoleil : public transport::BlueSoleilStack, public SimBase, public SimDevices {
public:
    // What the next connect calls answer.
    std::atomic<uint32_t> connectStatus{transport::bluesoleil::kSuccess};
    std::atomic<bool> connectBlocks{false};
    // Whether the COM port comes in the service record, or only in the connect details.
    std::atomic<bool> portInRecord{true};
    // Connect calls that have returned after being cancelled.
    std::atomic<int> cancelledCalls{0};
    std::atomic<int> callsRunning{0};

    ~SimBlueSoleil() override;
    VirtualPort* Port();  // the port of the last connection, while it exists
    // The stack reports the last connection closed (from its own thread).
    void DropLink();

    bool Present() override { return IsPresent(); }
    void SetPresenceHandler(PresenceHandler handler) override { SetHandler(std::move(handler)); }
    uint32_t BT_ConnectSPPExService(const transport::BlueSoleilDeviceRecord& device,
                                    transport::BlueSoleilSppService& service, uint32_t& connection,
                                    const transport::Cancellation& cancel) override;
    uint32_t BT_DisconnectSPPExService(uint32_t connection) override;
    uint32_t BT_GetConnectInfo(uint32_t connection, transport::BlueSoleilConnectInfo& info) override;
    void SetConnectionClosedHandler(std::function<void(uint32_t)> handler) override;
    uint32_t BT_GetRemoteDeviceInfo(uint32_t mask, transport::BlueSoleilRemoteInfo& info) override;
    uint32_t BT_BrowseServices(const transport::VendorAddress& address, const QUuid* serviceClass,
                               std::vector<transport::VendorService>& services) override;
    void Btsdk_RegisterCallback4ThirdParty(std::function<void(uint32_t)> found, std::function<void()> complete) override;
    uint32_t Btsdk_StartDeviceDiscovery(uint8_t length, uint16_t maxDevices) override;
    uint32_t Btsdk_StopDeviceDiscovery() override;
    uint32_t Btsdk_EnumRemoteDevices(std::vector<uint32_t>& devices, size_t max) override;
    uint32_t Btsdk_GetRemoteDeviceType(uint32_t device, uint16_t& type) override;
    uint32_t Btsdk_GetRemoteDeviceAddress(uint32_t device, transport::VendorAddress& address) override;

    // The handle under which the stack keeps itself in its device list.
    static constexpr uint32_t kLocalHandle = 1000;

private:
    std::mutex lock_;
    std::map<uint32_t, std::unique_ptr<VirtualPort>> ports_;
    uint32_t nextConnection_ = 1;
    uint32_t lastConnection_ = 0;
    std::function<void(uint32_t)> closed_;
    std::function<void(uint32_t)> found_;
    std::function<void()> complete_;
    TaskThread thread_;
};

class SimToshiba : public transport::ToshibaStack, public SimBase, public SimDevices {
public:
    // The step after which the stack says nothing more.
    enum class Silence { None, BeforePortReady, BeforeConnectStatus, AfterConnecting };

    // The stack's system is one where it sends no port-ready event (Windows NT 6 on).
    std::atomic<bool> portReadyWithoutEvent{false};
    std::atomic<Silence> silence{Silence::None};
    std::atomic<bool> connectFails{false};
    std::atomic<bool> pairingWindow{false};
    QString pairingReply;  // set before connecting

    ~SimToshiba() override;
    // Port names BtCreateCOMM accepts.
    void Accept(std::set<int> numbers);
    VirtualPort* Port();  // the port made last, while it exists
    // The link of the port drops (status 0x800440).
    void DropLink();
    uint32_t LastSecurity() const { return lastSecurity_; }
    uint8_t LastChannel() const { return lastChannel_; }

    bool Present() override { return IsPresent(); }
    void SetPresenceHandler(PresenceHandler handler) override { SetHandler(std::move(handler)); }
    bool PairingWindowPresent() override { return pairingWindow; }
    QString RequestPairing(const transport::VendorAddress& address) override;
    bool BtGetRemoteDeviceList2(std::vector<transport::VendorDeviceInfo>& devices) override;
    bool BtGetConnectedDeviceList2(std::vector<transport::VendorDeviceInfo>& devices) override;
    bool BtDiscoverRemoteDevice2(uint8_t length, std::vector<transport::VendorDeviceInfo>& devices) override;
    void BtCancelDiscoverRemoteDevice() override;
    bool BtSearchServices(const transport::VendorAddress& address, const QUuid* serviceClass,
                          std::vector<transport::VendorService>& services) override;
    bool BtNotifyEvent(uint32_t mask, const transport::WindowHandle& window, uint32_t msg) override;
    void BtCancelNotifyEvent(const transport::WindowHandle& window) override;
    bool BtCreateCOMM(const QString& port) override;
    bool BtDestroyCOMM(const QString& port) override;
    bool BtConnectCOMM2(const QString& port, const transport::VendorAddress& address, uint8_t channel,
                        const transport::WindowHandle& window, uint32_t msg, uint32_t security) override;
    bool BtDisconnectCOMM(const QString& port) override;
    bool BtNotifyCOMM(const QString& port, const transport::WindowHandle& window, uint32_t msg) override;
    void BtCancelNotifyCOMM(const QString& port) override;

    // A live inquiry blocks until cancelled when set.
    std::atomic<bool> inquiryBlocks{false};

private:
    std::mutex lock_;
    std::set<int> accepted_;
    std::map<QString, std::unique_ptr<VirtualPort>> ports_;
    QString lastPort_;
    transport::WindowHandle eventWindow_;
    uint32_t eventMsg_ = 0;
    transport::WindowHandle linkWindow_;
    uint32_t linkMsg_ = 0;
    std::atomic<uint32_t> lastSecurity_{0};
    std::atomic<uint8_t> lastChannel_{0};
    transport::Cancellation inquiryCancel_;
};

class SimWidComm : public transport::WidCommStack, public SimBase, public SimDevices {
public:
    // What the bridge answers an open with; -1: nothing at all.
    std::atomic<int> connectResult{0};
    // WD_Discovery's return.
    std::atomic<int> discoveryResult{0};

    ~SimWidComm() override;
    // The device sends bytes / ends the link (through the bridge's thread).
    void Receive(const std::string& bytes);
    void CloseLink();
    std::string Written() const;
    uint8_t OpenedChannel() const { return openedChannel_; }

    bool Present() override { return IsPresent(); }
    void SetPresenceHandler(PresenceHandler handler) override { SetHandler(std::move(handler)); }
    bool WD_BondQuery(const transport::VendorAddress& address) override;
    bool WD_IsConnected(const transport::VendorAddress& address) override;
    bool WD_GetRemoteDeviceCOD(const transport::VendorAddress& address, uint32_t& cod) override;
    bool WD_GetRemoteDeviceName(const transport::VendorAddress& address, QString& name) override;
    int WD_EnumServices(const transport::VendorAddress& address, const QUuid* serviceClass,
                        std::vector<transport::VendorService>& services) override;
    int WD_Discovery(const transport::WindowHandle& window, uint8_t length) override;
    void WD_Terminate() override;
    uintptr_t WD_CreateRfCommClient(const transport::WindowHandle& window) override;
    int WD_OpenRfCommClient(uintptr_t client, const transport::VendorAddress& address, uint8_t channel,
                            bool encryption, bool authentication, const QString& serviceName,
                            const QUuid& serviceClass) override;
    int WD_WriteRfCommClient(uintptr_t client, const void* buffer, uint32_t size) override;
    void WD_CloseRfCommClient(uintptr_t client) override;
    void WD_DestroyRfCommClient(uintptr_t client) override;

private:
    // Runs `post` on the bridge's thread with the window of the open client, if any.
    void ToOpenClient(std::function<void(const transport::WindowHandle&)> post);

    mutable std::mutex lock_;
    std::map<uintptr_t, transport::WindowHandle> clients_;
    uintptr_t nextClient_ = 1;
    uintptr_t openClient_ = 0;
    std::string written_;
    std::atomic<uint8_t> openedChannel_{0};
    TaskThread bridge_;
};

} // namespace dabrix::test
