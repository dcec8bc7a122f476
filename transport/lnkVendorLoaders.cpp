#include "transport/lnkVendorLoaders.h"

#include "transport/lnkErrors.h"
#include "transport/lnkMessages.h"

#include <array>
#include <atomic>
#include <map>
#include <mutex>

using namespace dabrix::transport;

namespace {

// The stacks of the loaded bindings. One library root, so one binding of a kind, per
// process.
std::mutex boundLock;
std::array<std::shared_ptr<VendorStack>, 6> bound;

size_t Index(BindingKind kind) { return static_cast<size_t>(kind); }

template <typename Stack>
std::shared_ptr<Stack> BoundOf(BindingKind kind)
{
    std::lock_guard guard(boundLock);
    return std::static_pointer_cast<Stack>(bound[Index(kind)]);
}

// WM_USER+2's stack numbers.
uintptr_t StackNumber(BindingKind kind)
{
    switch (kind) {
    case BindingKind::Toshiba: return 3;
    case BindingKind::WidComm: return 4;
    case BindingKind::BlueSoleil:
    case BindingKind::IrDA:
    case BindingKind::Kinect:
    case BindingKind::Microsoft: break;
    }
    return 1;
}

constexpr uintptr_t kKinectTransport = 6;

// The Toshiba binding's answer for its system (see RunningOnWindowsNt6OrLater).
std::atomic<bool> toshibaWithoutPortReady{false};

std::mutex connectionsLock;
std::map<uint32_t, WindowHandle> blueSoleilConnections;

void BlueSoleilConnectionClosed(uint32_t connection)
{
    WindowHandle window;
    {
        std::lock_guard guard(connectionsLock);
        const auto it = blueSoleilConnections.find(connection);
        if (it == blueSoleilConnections.end())
            return;
        window = it->second;
    }
    window.Post(msg::LinkLost);
}

} // namespace

TlnkVendorLoader::TlnkVendorLoader(BindingKind Kind, const WindowHandle& Root, std::shared_ptr<VendorStack> Stack)
    : kind_(Kind), root_(Root), stack_(std::move(Stack))
{
    if (!stack_)
        return;
    stack_->SetPresenceHandler([this](bool present) { PresenceChanged(present); });
    std::lock_guard guard(boundLock);
    bound[Index(kind_)] = stack_;
}

TlnkVendorLoader::~TlnkVendorLoader()
{
    TlnkVendorLoader::Unload();
}

bool TlnkVendorLoader::Available()
{
    return stack_ && stack_->Present();
}

void TlnkVendorLoader::Unload()
{
    if (!stack_)
        return;
    {
        std::lock_guard guard(boundLock);
        if (bound[Index(kind_)] == stack_)
            bound[Index(kind_)].reset();
    }
    stack_->SetPresenceHandler({});
    stack_.reset();
}

void TlnkVendorLoader::PresenceChanged(bool Present)
{
    root_.Post(msg::StackChanged, StackNumber(kind_), Present ? 1 : 0);
}

TlnkBlueSoleilLoader::TlnkBlueSoleilLoader(const WindowHandle& Root, std::shared_ptr<BlueSoleilStack> Stack)
    : TlnkVendorLoader(BindingKind::BlueSoleil, Root, Stack)
{
    if (Stack)
        Stack->SetConnectionClosedHandler(BlueSoleilConnectionClosed);
}

void TlnkBlueSoleilLoader::Unload()
{
    if (auto* stack = static_cast<BlueSoleilStack*>(Stack()))
        stack->SetConnectionClosedHandler({});
    TlnkVendorLoader::Unload();
}

TlnkToshibaLoader::TlnkToshibaLoader(const WindowHandle& Root, std::shared_ptr<ToshibaStack> Stack,
                                     std::optional<bool> WindowsNt6OrLater)
    : TlnkVendorLoader(BindingKind::Toshiba, Root, std::move(Stack))
{
    toshibaWithoutPortReady = WindowsNt6OrLater.value_or(RunningOnWindowsNt6OrLater());
}

bool TlnkToshibaLoader::RunningOnWindowsNt6OrLater()
{
    return false;
}

TlnkWidCommLoader::TlnkWidCommLoader(const WindowHandle& Root, std::shared_ptr<WidCommStack> Stack)
    : TlnkVendorLoader(BindingKind::WidComm, Root, std::move(Stack))
{
}

void TlnkWidCommLoader::PresenceChanged(bool Present)
{
    // Gone: the root notes that WidComm wants a re-check. Back: the root binds it again
    // and believes what the new binding says.
    if (Present)
        Root().Post(msg::WidCommRecheck);
    else
        TlnkVendorLoader::PresenceChanged(false);
}

TlnkKinectLoader::TlnkKinectLoader(const WindowHandle& Root, std::shared_ptr<VendorStack> Runtime)
    : TlnkVendorLoader(BindingKind::Kinect, Root, std::move(Runtime))
{
}

void TlnkKinectLoader::PresenceChanged(bool Present)
{
    Root().Post(msg::TransportChanged, kKinectTransport, Present ? 1 : 0);
}

std::shared_ptr<BlueSoleilStack> dabrix::transport::BoundBlueSoleilStack()
{
    return BoundOf<BlueSoleilStack>(BindingKind::BlueSoleil);
}

std::shared_ptr<ToshibaStack> dabrix::transport::BoundToshibaStack()
{
    return BoundOf<ToshibaStack>(BindingKind::Toshiba);
}

std::shared_ptr<WidCommStack> dabrix::transport::BoundWidCommStack()
{
    return BoundOf<WidCommStack>(BindingKind::WidComm);
}

bool dabrix::transport::ToshibaPortReadyWithoutEvent()
{
    return toshibaWithoutPortReady;
}

void dabrix::transport::RegisterBlueSoleilConnection(uint32_t Connection, const WindowHandle& Window)
{
    std::lock_guard guard(connectionsLock);
    blueSoleilConnections[Connection] = Window;
}

void dabrix::transport::UnregisterBlueSoleilConnection(uint32_t Connection)
{
    std::lock_guard guard(connectionsLock);
    blueSoleilConnections.erase(Connection);
}

// --- small shared helpers of the vendor stacks ---

namespace {

struct StatusCode {
    uint32_t status;
    int code;
};
constexpr StatusCode kBlueSoleilCodes[] = {
    {bluesoleil::kSuccess, code::Ok},
    {3, code::BluetoothApiNotAvailable},
    {4, code::AlreadyPaired},
    {5, code::AuthenticationFailed},
    {7, code::ConnectionExists},
    {8, code::NotConnected},
    {9, code::InvalidArgument},
    {10, code::ServiceNotFound},
    {11, code::NotConnected},
};

} // namespace

int dabrix::transport::BlueSoleilStatusCode(uint32_t Status)
{
    for (const StatusCode& entry : kBlueSoleilCodes)
        if (entry.status == Status)
            return entry.code;
    return code::InternalDriverError;
}

VendorAddress dabrix::transport::VendorAddressOf(uint64_t Address)
{
    VendorAddress bytes{};
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(Address >> (8 * i));
    return bytes;
}

uint64_t dabrix::transport::AddressOfVendor(const VendorAddress& Address)
{
    uint64_t value = 0;
    for (size_t i = 0; i < Address.size(); ++i)
        value |= uint64_t{Address[i]} << (8 * i);
    return value;
}

void Cancellation::Cancel()
{
    {
        std::lock_guard guard(lock_);
        cancelled_ = true;
    }
    changed_.notify_all();
}

bool Cancellation::Cancelled() const
{
    std::lock_guard guard(lock_);
    return cancelled_;
}

bool Cancellation::WaitFor(std::chrono::milliseconds Timeout) const
{
    std::unique_lock guard(lock_);
    return changed_.wait_for(guard, Timeout, [&] { return cancelled_; });
}
