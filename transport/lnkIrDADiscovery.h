#pragma once
// IrDA discovery: asks the infrared stack which devices are in range.
//
// Discover starts one search on a thread of its own and returns at once; OnStarted and
// then OnComplete follow on the owner thread, from its event loop. The search thread
// hands its result over with a synchronous notification, so the device list given to
// OnComplete is valid for the call only.
//
// Threading: the component is used on its owner thread. The search thread reads the
// stack through the socket Discover made and reaches the owner only through the
// notification window.
#include "transport/lnkBaseComponent.h"
#include "transport/lnkOwningList.h"

#include <QString>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace dabrix::platform::irda {
class IrDASocket;
}

class TlnkIrDADevice : public TObject {
public:
    TlnkIrDADevice() = default;
    TlnkIrDADevice(const QString& Address, const QString& Name) : Address(Address), Name(Name) {}

    QString Address = QStringLiteral("(00:00:00:00)");
    QString Name;
};

// An owning list of IrDA devices; Add raises "Device parameter is not valid." for none.
class TlnkIrDADevices : public TlnkOwningList<TlnkIrDADevice> {
public:
    TlnkIrDADevices() : TlnkOwningList(QT_TRANSLATE_NOOP("lnkExceptions", "Device parameter is not valid.")) {}
};

// Devices is none when the stack could not be asked.
using TlnkIrDADiscoveryCompleteEvent = std::function<void(TObject* Sender, TlnkIrDADevices* Devices)>;

class TlnkIrDADiscovery : public TlnkBaseComponent {
public:
    explicit TlnkIrDADiscovery(TComponent* Owner);
    // Terminates a running search first.
    ~TlnkIrDADiscovery() override;

    // 21 while a search runs; 13 without trIrDA; the window's code; 2 when no IrDA socket
    // can be had; 1 when the thread cannot be started; 0 when the search runs.
    int Discover();
    // 20 when no search runs; else ends it without OnComplete and returns 0.
    int Terminate();
    bool Discovering() const { return socket_ != nullptr; }

    TlnkIrDADiscoveryCompleteEvent OnComplete;
    TNotifyEvent OnStarted;

protected:
    void HandleNotification(uint32_t Msg, uintptr_t WParam, intptr_t LParam) override;
    void ApiChanged() override;
    void ApiUnloading() override;

private:
    // What the owner and one search thread share.
    struct Search {
        std::atomic<bool> done = false;
    };

    static void Run(dabrix::transport::WindowHandle Window, dabrix::platform::irda::IrDASocket* Socket,
                    std::shared_ptr<Search> State);

    // Valid while a search runs: the socket is the search's, the thread is joined by
    // Terminate. A completed search's thread is released, as it still has to return from
    // handing over its result.
    std::unique_ptr<dabrix::platform::irda::IrDASocket> socket_;
    std::thread thread_;
    std::shared_ptr<Search> search_;
};

namespace dabrix::transport {

// The devices of a list buffer as the stack fills it: Address "(%.2X:%.2X:%.2X:%.2X)"
// of the id bytes from the last to the first, Name the nickname bytes as 8-bit text.
std::unique_ptr<TlnkIrDADevices> IrDADevicesFromList(const uint8_t* Buffer, size_t Size);

} // namespace dabrix::transport
