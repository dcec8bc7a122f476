#pragma once
// The library root: initialises the transport library once per process and keeps the
// sets of available transports and Bluetooth stacks.
//
// Threading: TlnkAPI is created, loaded, unloaded and destroyed on the owner thread, and
// raises its events there. IsTransportAvailable, IsBluetoothApiAvailable and
// CheckBluetoothApi may be called from any thread.
#include "transport/lnkBindings.h"
#include "transport/lnkComponent.h"
#include "transport/lnkWindow.h"

#include <QString>
#include <cstdint>
#include <memory>

// Fixed underlying types: a caller may pass any ordinal, which is then refused like any
// unknown value instead of being undefined.
enum TlnkTransport : int { trActiveSync, trBluetooth, trIrDA, trSerial, trUSB, trWiFi, trKinect, trHID };

enum TlnkBluetoothApi : int { baBlueSoleil, baMicrosoft, baToshiba, baWidComm };

class TlnkAPI : public TComponent {
public:
    explicit TlnkAPI(TComponent* Owner);
    // Unloads first when loaded.
    ~TlnkAPI() override;

    // 0; 10 when this instance is loaded already; 11 when another instance is loaded;
    // 1 when the root's window cannot be created. Raises AfterLoad on success.
    int Load();
    // 0, or 12 when not loaded. Every component hears "unloading" (and stops) before the
    // sets are cleared. Raises AfterUnload on success.
    int Unload();

    QString Version() const { return QStringLiteral("6.15.1.0"); }
    bool Loaded() const;

    // The binding of one kind while loaded, else null. Owner thread.
    dabrix::transport::StackBinding* Binding(dabrix::transport::BindingKind Kind) const;

    TNotifyEvent AfterLoad;
    TNotifyEvent AfterUnload;
    TNotifyEvent OnChanged;

private:
    struct Sets {
        uint32_t transports = 0;  // bit n = TlnkTransport ordinal n
        uint32_t stacks = 0;      // bit n = TlnkBluetoothApi ordinal n
        bool operator==(const Sets&) const = default;
    };

    void RootNotification(uint32_t Msg, uintptr_t WParam, intptr_t LParam);
    Sets CurrentSets() const;
    void UnloadBindings();

    friend bool IsTransportAvailable(TlnkTransport Transport);
    friend bool IsBluetoothApiAvailable(TlnkBluetoothApi Api);

    // Guarded by the library-state lock.
    bool loaded_ = false;
    Sets sets_;

    // Owner thread only.
    bool unloading_ = false;
    bool widCommRecheck_ = false;
    dabrix::transport::NotificationWindow window_;
    std::unique_ptr<dabrix::transport::StackBinding> bindings_[6];
};

// True only while a TlnkAPI is loaded and the value is in its set.
bool IsTransportAvailable(TlnkTransport Transport);
bool IsBluetoothApiAvailable(TlnkBluetoothApi Api);

class TlnkSync;

namespace dabrix::transport {

// The library-wide locks of the vendor stacks: one BlueSoleil connect call at a time,
// one WidComm service search at a time, across every connection of the process.
TlnkSync& BlueSoleilConnectLock();
TlnkSync& WidCommSearchLock();

// For Bluetooth components: 13 when trBluetooth is not available, else 14 when `Api`
// is not available, else 0.
int CheckBluetoothApi(TlnkBluetoothApi Api);

} // namespace dabrix::transport
