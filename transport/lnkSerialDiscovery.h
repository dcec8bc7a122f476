#pragma once
// Serial-port discovery: lists the machine's COM ports with the names the system shows
// for them, and can watch for ports that appear or disappear.
//
// The ports come from the COM port map (platform/ComPortMap.h): every present serial
// tty and every present line of ComPorts.ini, each with its COM number.
//
// Threading: the component is used on its owner thread. While started, a watcher thread
// enumerates once a second and hands each found or lost port to the owner thread with a
// synchronous notification, so OnDeviceFound and OnDeviceLost run on the owner thread
// while the watcher waits; the device object is valid for the call only.
#include "transport/lnkBaseComponent.h"
#include "transport/lnkOwningList.h"

#include <QString>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class TlnkSerialDevice : public TObject {
public:
    TlnkSerialDevice() = default;
    TlnkSerialDevice(const QString& FriendlyName, bool IsModem, uint32_t Port)
        : FriendlyName(FriendlyName), IsModem(IsModem), Port(Port)
    {
    }

    // Copies all three fields; none raises lnkEInvalidArgument.
    void Assign(const TlnkSerialDevice* Source);

    QString FriendlyName;
    bool IsModem = false;
    uint32_t Port = 0;
};

// An owning list of serial devices; Add raises "Device parameter is not valid." for none.
class TlnkSerialDevices : public TlnkOwningList<TlnkSerialDevice> {
public:
    TlnkSerialDevices() : TlnkOwningList(QT_TRANSLATE_NOOP("lnkExceptions", "Device parameter is not valid.")) {}
    // Refills the list with copies; none raises "Devices parameter is not valid.".
    void Assign(const TlnkSerialDevices* Source);
};

using TlnkSerialDeviceEvent = std::function<void(TObject* Sender, const TlnkSerialDevice* Device)>;

class TlnkSerialDiscovery : public TlnkBaseComponent {
public:
    explicit TlnkSerialDiscovery(TComponent* Owner);
    // Stops watching first.
    ~TlnkSerialDiscovery() override;

    // 5 for no list, 13 when trSerial is not available, else 0 with the list refilled.
    int Enumerate(TlnkSerialDevices* Devices);
    // 700 when watching already, 13 without trSerial, the window's code, 1 when the
    // watcher cannot be started; 0 after OnStarted has been raised.
    int Start();
    // When watching: stops the watcher, destroys the window and raises OnStopped.
    void Stop();
    bool Monitoring() const { return watcher_.joinable(); }

    // Where the COM port map lives; the configuration folder unless set (tests).
    void SetComMapFolder(const std::string& Folder) { comMapFolder_ = Folder; }

    TlnkSerialDeviceEvent OnDeviceFound;
    TlnkSerialDeviceEvent OnDeviceLost;
    TNotifyEvent OnStarted;
    TNotifyEvent OnStopped;

protected:
    void HandleNotification(uint32_t Msg, uintptr_t WParam, intptr_t LParam) override;
    void ApiChanged() override;
    void ApiUnloading() override;

private:
    void Watch();
    // Fills `Devices` from the COM port map; false when trSerial is gone.
    bool Scan(TlnkSerialDevices& Devices) const;

    std::string comMapFolder_;
    TlnkSerialDevices initial_;  // the ports at Start, handed to the watcher
    std::thread watcher_;
    int terminateFd_ = -1;
    std::atomic<bool> watcherDone_ = false;
};
