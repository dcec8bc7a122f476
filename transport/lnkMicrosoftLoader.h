#pragma once
// The binding of the platform's own Bluetooth stack (the baMicrosoft role): BlueZ, or the
// simulated stack when DABRIX_BT_SIM names a folder. The stack is available while it has
// a radio; a radio coming or going reaches the library root as a change of baMicrosoft's
// availability (WM_USER+2, wParam 2), so the offered ports follow and an open link ends.
//
// Threading: created, unloaded and destroyed on the thread that loads the library, whose
// event loop carries the stack's presence changes. The stack itself is shared with the
// components' workers through PlatformBluetoothStack; they hold it only while they run,
// and the library stops them all before it unloads the binding, so the stack is also
// destroyed on the loading thread.
#include "transport/lnkBindings.h"

#include <memory>

namespace dabrix::platform {
class BluetoothStack;
}

class TlnkMicrosoftLoader : public dabrix::transport::StackBinding {
public:
    // `Stack`: the stack to bind; none makes the platform's (CreateBluetoothStack).
    explicit TlnkMicrosoftLoader(const dabrix::transport::WindowHandle& Root,
                                 std::shared_ptr<dabrix::platform::BluetoothStack> Stack = nullptr);
    ~TlnkMicrosoftLoader() override;

    bool Available() override;
    void Unload() override;

private:
    dabrix::transport::WindowHandle root_;
    std::shared_ptr<dabrix::platform::BluetoothStack> stack_;
};

namespace dabrix::transport {

// The bound platform stack while the library is loaded with it, else null. Any thread.
std::shared_ptr<platform::BluetoothStack> PlatformBluetoothStack();

} // namespace dabrix::transport
