#pragma once
// The bindings of the vendor Bluetooth stacks and of the Kinect runtime. A binding holds
// its stack (lnkVendorStacks.h) while the library is loaded, reports it available while
// the stack says it is present, and tells the library root when that changes
// (WM_USER+2 with the stack's number). Linux has none of these stacks: the bindings the
// library makes by itself are given none and report unavailable.
//
// The WidComm stack coming back cannot simply be believed: the bridge has to be bound
// again, so its binding asks the root for a re-check (WM_USER+30) instead.
//
// Threading: a binding is made, unloaded and freed on the thread that loads the library.
// The bound stacks are handed to the components' workers through Bound*Stack, which any
// thread may call; a worker holds its stack only while it runs.
#include "transport/lnkBindings.h"
#include "transport/lnkVendorStacks.h"

#include <memory>
#include <optional>

class TlnkVendorLoader : public dabrix::transport::StackBinding {
public:
    ~TlnkVendorLoader() override;

    bool Available() override;
    void Unload() override;

protected:
    TlnkVendorLoader(dabrix::transport::BindingKind Kind, const dabrix::transport::WindowHandle& Root,
                     std::shared_ptr<dabrix::transport::VendorStack> Stack);
    // The stack's presence changed; any thread. Posts the change to the root.
    virtual void PresenceChanged(bool Present);

    const dabrix::transport::WindowHandle& Root() const { return root_; }
    dabrix::transport::VendorStack* Stack() const { return stack_.get(); }

private:
    dabrix::transport::BindingKind kind_;
    dabrix::transport::WindowHandle root_;
    std::shared_ptr<dabrix::transport::VendorStack> stack_;
};

class TlnkBlueSoleilLoader : public TlnkVendorLoader {
public:
    explicit TlnkBlueSoleilLoader(const dabrix::transport::WindowHandle& Root,
                                  std::shared_ptr<dabrix::transport::BlueSoleilStack> Stack = nullptr);
    void Unload() override;
};

class TlnkToshibaLoader : public TlnkVendorLoader {
public:
    // `WindowsNt6OrLater`: the operating system's answer to that question; asked of the
    // running system when not given.
    explicit TlnkToshibaLoader(const dabrix::transport::WindowHandle& Root,
                               std::shared_ptr<dabrix::transport::ToshibaStack> Stack = nullptr,
                               std::optional<bool> WindowsNt6OrLater = std::nullopt);

    // Whether the system is Windows NT of major version 6 or later: there the stack no
    // longer sends its port-ready event after BtCreateCOMM. Linux is not Windows NT, so
    // the answer there is false, whatever the kernel's own version number.
    static bool RunningOnWindowsNt6OrLater();
};

class TlnkWidCommLoader : public TlnkVendorLoader {
public:
    explicit TlnkWidCommLoader(const dabrix::transport::WindowHandle& Root,
                               std::shared_ptr<dabrix::transport::WidCommStack> Stack = nullptr);

protected:
    void PresenceChanged(bool Present) override;
};

// The Kinect runtime: nothing of it is used but its presence, which gives trKinect.
class TlnkKinectLoader : public TlnkVendorLoader {
public:
    explicit TlnkKinectLoader(const dabrix::transport::WindowHandle& Root,
                              std::shared_ptr<dabrix::transport::VendorStack> Runtime = nullptr);

protected:
    void PresenceChanged(bool Present) override;
};

namespace dabrix::transport {

// The stack of the loaded binding, else null. Any thread.
std::shared_ptr<BlueSoleilStack> BoundBlueSoleilStack();
std::shared_ptr<ToshibaStack> BoundToshibaStack();
std::shared_ptr<WidCommStack> BoundWidCommStack();

// Whether the bound Toshiba stack goes without its port-ready event, so that the caller
// goes on at once after BtCreateCOMM (the binding's answer for its system). Any thread.
bool ToshibaPortReadyWithoutEvent();

// The BlueSoleil binding's list of connections: the stack's connection callback posts
// link-lost (WM_USER+3) to the window registered with a connection when the stack
// reports that connection closed. Any thread.
void RegisterBlueSoleilConnection(uint32_t Connection, const WindowHandle& Window);
void UnregisterBlueSoleilConnection(uint32_t Connection);

} // namespace dabrix::transport
