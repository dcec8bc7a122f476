#include "transport/lnkMicrosoftLoader.h"

#include "platform/bluetooth/BluetoothStack.h"
#include "transport/lnkMessages.h"

#include <mutex>

using namespace dabrix::transport;
namespace platform = dabrix::platform;

namespace {

// The stack of the loaded binding. One library root, so one binding, per process.
std::mutex boundLock;
std::shared_ptr<platform::BluetoothStack> bound;

constexpr uintptr_t kMicrosoftStack = 2;

} // namespace

TlnkMicrosoftLoader::TlnkMicrosoftLoader(const WindowHandle& Root, std::shared_ptr<platform::BluetoothStack> Stack)
    : root_(Root), stack_(Stack ? std::move(Stack) : std::shared_ptr<platform::BluetoothStack>(platform::CreateBluetoothStack()))
{
    stack_->SetPresenceHandler([root = root_](bool present) {
        root.Post(msg::StackChanged, kMicrosoftStack, present ? 1 : 0);
    });
    std::lock_guard guard(boundLock);
    bound = stack_;
}

TlnkMicrosoftLoader::~TlnkMicrosoftLoader()
{
    Unload();
}

bool TlnkMicrosoftLoader::Available()
{
    return stack_ && stack_->RadioPresent();
}

void TlnkMicrosoftLoader::Unload()
{
    if (!stack_)
        return;
    {
        std::lock_guard guard(boundLock);
        if (bound == stack_)
            bound.reset();
    }
    stack_->SetPresenceHandler({});
    stack_.reset();
}

std::shared_ptr<platform::BluetoothStack> dabrix::transport::PlatformBluetoothStack()
{
    std::lock_guard guard(boundLock);
    return bound;
}
