#include "transport/lnkAPI.h"

#include "transport/lnkErrors.h"
#include "transport/lnkMessages.h"
#include "transport/lnkSync.h"

#include <mutex>

using namespace dabrix::transport;

namespace {

// The library-state lock: the loaded flag and sets of every instance, and which
// instance the process has loaded (claimed from the start of its Load to the end of
// its Unload).
TlnkSync stateLock;
TlnkSync blueSoleilConnectLock;
TlnkSync widCommSearchLock;
TlnkAPI* loadedInstance = nullptr;

constexpr uint32_t Bit(int ordinal) { return 1u << ordinal; }

size_t Index(BindingKind kind) { return static_cast<size_t>(kind); }

} // namespace

TlnkAPI::TlnkAPI(TComponent* Owner) : TComponent(Owner) {}

TlnkAPI::~TlnkAPI()
{
    Unload();
}

bool TlnkAPI::Loaded() const
{
    std::lock_guard guard(stateLock);
    return loaded_;
}

TlnkAPI::Sets TlnkAPI::CurrentSets() const
{
    std::lock_guard guard(stateLock);
    return sets_;
}

StackBinding* TlnkAPI::Binding(BindingKind Kind) const
{
    return bindings_[Index(Kind)].get();
}

int TlnkAPI::Load()
{
    {
        std::lock_guard guard(stateLock);
        if (loaded_)
            return code::ApiAlreadyLoaded;
        if (loadedInstance)
            return code::OtherInstanceLoaded;
        loadedInstance = this;
    }

    if (window_.Create([this](uint32_t m, uintptr_t w, intptr_t l) { RootNotification(m, w, l); },
                       /*Broadcasts=*/false) != 0) {
        std::lock_guard guard(stateLock);
        loadedInstance = nullptr;
        return code::OutOfResources;
    }

    // Sockets and COM need no start-up here. The HID functions have no Linux
    // counterpart: they stay unbound and trHID is offered as the set has always had it.
    Sets sets;
    sets.transports = Bit(trSerial) | Bit(trUSB) | Bit(trHID);

    for (BindingKind kind : {BindingKind::IrDA, BindingKind::Kinect, BindingKind::Microsoft,
                             BindingKind::Toshiba, BindingKind::BlueSoleil, BindingKind::WidComm})
        bindings_[Index(kind)] = CreateStackBinding(kind, window_.Handle());

    auto available = [this](BindingKind kind) { return bindings_[Index(kind)]->Available(); };
    if (available(BindingKind::IrDA))
        sets.transports |= Bit(trIrDA);
    if (available(BindingKind::Kinect))
        sets.transports |= Bit(trKinect);
    if (available(BindingKind::Microsoft))
        sets.stacks |= Bit(baMicrosoft);
    if (available(BindingKind::Toshiba))
        sets.stacks |= Bit(baToshiba);
    if (available(BindingKind::BlueSoleil))
        sets.stacks |= Bit(baBlueSoleil);
    if (available(BindingKind::WidComm))
        sets.stacks |= Bit(baWidComm);
    if (sets.stacks != 0)
        sets.transports |= Bit(trBluetooth);
    widCommRecheck_ = false;

    {
        std::lock_guard guard(stateLock);
        sets_ = sets;
        loaded_ = true;
    }
    if (AfterLoad)
        AfterLoad(this);
    return code::Ok;
}

int TlnkAPI::Unload()
{
    {
        std::lock_guard guard(stateLock);
        // A handler of the unloading notification that calls Unload again finds the
        // library on its way out.
        if (!loaded_ || unloading_)
            return code::ApiNotLoaded;
    }
    unloading_ = true;
    window_.Destroy();

    // Sent, so every connection has disconnected and every discovery stopped before the
    // sets go away.
    BroadcastSend(msg::ApiUnloading);

    {
        std::lock_guard guard(stateLock);
        loaded_ = false;
        sets_ = Sets{};
    }
    UnloadBindings();
    {
        std::lock_guard guard(stateLock);
        loadedInstance = nullptr;
    }
    unloading_ = false;
    if (AfterUnload)
        AfterUnload(this);
    return code::Ok;
}

void TlnkAPI::UnloadBindings()
{
    for (BindingKind kind : {BindingKind::Microsoft, BindingKind::WidComm, BindingKind::Toshiba,
                             BindingKind::BlueSoleil, BindingKind::Kinect, BindingKind::IrDA}) {
        if (auto& binding = bindings_[Index(kind)]) {
            binding->Unload();
            binding.reset();
        }
    }
}

void TlnkAPI::RootNotification(uint32_t Msg, uintptr_t WParam, intptr_t LParam)
{
    if (Msg != msg::TransportChanged && Msg != msg::StackChanged && Msg != msg::WidCommRecheck)
        return;

    Sets before;
    {
        std::lock_guard guard(stateLock);
        if (!loaded_)
            return;
        before = sets_;
    }
    Sets after = before;
    const bool nowAvailable = LParam == 1;

    switch (Msg) {
    case msg::TransportChanged: {
        const int ordinal = (WParam >= uintptr_t{trIrDA} && WParam <= uintptr_t{trKinect}) ? static_cast<int>(WParam) : 0;
        after.transports = nowAvailable ? (after.transports | Bit(ordinal)) : (after.transports & ~Bit(ordinal));
        break;
    }
    case msg::StackChanged: {
        TlnkBluetoothApi api = baBlueSoleil;
        if (WParam == 2)
            api = baMicrosoft;
        else if (WParam == 3)
            api = baToshiba;
        else if (WParam == 4)
            api = baWidComm;
        if (nowAvailable) {
            after.stacks |= Bit(api);
        } else {
            after.stacks &= ~Bit(api);
            widCommRecheck_ = api == baWidComm;
        }
        break;
    }
    case msg::WidCommRecheck:
        if (widCommRecheck_) {
            widCommRecheck_ = false;
            auto& widComm = bindings_[Index(BindingKind::WidComm)];
            if (widComm)
                widComm->Unload();
            widComm = CreateStackBinding(BindingKind::WidComm, window_.Handle());
            after.stacks = widComm->Available() ? (after.stacks | Bit(baWidComm)) : (after.stacks & ~Bit(baWidComm));
        }
        break;
    default:
        break;
    }

    if (after.stacks != 0)
        after.transports |= Bit(trBluetooth);
    else
        after.transports &= ~Bit(trBluetooth);
    if (after == before)
        return;

    {
        std::lock_guard guard(stateLock);
        sets_ = after;
    }
    BroadcastPost(msg::ApiChanged);
    if (OnChanged)
        OnChanged(this);
}

bool IsTransportAvailable(TlnkTransport Transport)
{
    const int ordinal = static_cast<int>(Transport);
    if (ordinal < trActiveSync || ordinal > trHID)
        return false;
    std::lock_guard guard(stateLock);
    return loadedInstance && loadedInstance->loaded_ && (loadedInstance->sets_.transports & Bit(ordinal));
}

bool IsBluetoothApiAvailable(TlnkBluetoothApi Api)
{
    const int ordinal = static_cast<int>(Api);
    if (ordinal < baBlueSoleil || ordinal > baWidComm)
        return false;
    std::lock_guard guard(stateLock);
    return loadedInstance && loadedInstance->loaded_ && (loadedInstance->sets_.stacks & Bit(ordinal));
}

namespace dabrix::transport {

TlnkSync& BlueSoleilConnectLock()
{
    return blueSoleilConnectLock;
}

TlnkSync& WidCommSearchLock()
{
    return widCommSearchLock;
}

int CheckBluetoothApi(TlnkBluetoothApi Api)
{
    if (!IsTransportAvailable(trBluetooth))
        return code::TransportNotAvailable;
    if (!IsBluetoothApiAvailable(Api))
        return code::BluetoothApiNotAvailable;
    return code::Ok;
}

} // namespace dabrix::transport
