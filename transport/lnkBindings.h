#pragma once
// Stack bindings: what ties the library to an infrared stack, a Bluetooth stack or the
// Kinect runtime of the platform. TlnkAPI creates one binding of each kind at Load (giving
// it the root's window, to which the binding posts availability changes) and unloads and
// frees them at Unload.
//
// The default binding of IrDA is TlnkIrDALoader over the emulated infrared layer, that of
// the platform's Bluetooth stack TlnkMicrosoftLoader; Linux has none of the other stacks,
// so their defaults (lnkVendorLoaders.h) hold no stack and report unavailable. Other
// bindings (the simulated ones of tests) are plugged in with SetStackBindingFactory
// before the library is loaded.
#include "transport/lnkWindow.h"

#include <functional>
#include <memory>

namespace dabrix::transport {

enum class BindingKind { IrDA, Kinect, Microsoft, BlueSoleil, Toshiba, WidComm };

class StackBinding {
public:
    virtual ~StackBinding() = default;
    // Whether the stack can be used now.
    virtual bool Available() = 0;
    // Releases what the binding holds of the platform; called once, before it is freed.
    virtual void Unload() = 0;
};

// Makes the binding of one kind. `Root` is the library root's window; the binding posts
// WM_USER+1 (transport) or WM_USER+2 (Bluetooth stack) to it when availability changes.
using StackBindingFactory = std::function<std::unique_ptr<StackBinding>(const WindowHandle& Root)>;

// Replaces the factory of one kind; an empty factory restores the default. Used on the
// owner thread while the library is not loaded.
void SetStackBindingFactory(BindingKind Kind, StackBindingFactory Factory);

std::unique_ptr<StackBinding> CreateStackBinding(BindingKind Kind, const WindowHandle& Root);

} // namespace dabrix::transport
