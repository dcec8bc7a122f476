#pragma once
// Base of the library's components: a component gets a notification window while it is
// active (a connection from Connect to the end of Disconnect, a discovery from start to
// stop), through which its workers and the library root reach the thread that owns it.
//
// Threading: every member is used on the owner thread (the thread that created the
// window). Workers use only the WindowHandle from NotificationWindow(), which they may
// post to from any thread.
#include "transport/lnkComponent.h"
#include "transport/lnkWindow.h"

#include <cstdint>

class TlnkBaseComponent : public TComponent {
public:
    explicit TlnkBaseComponent(TComponent* Owner);
    ~TlnkBaseComponent() override;

protected:
    // Every notification of the window arrives here on the owner thread. The base turns
    // "library unloading" into ApiUnloading and "availability changed" into ApiChanged;
    // subclasses handle their own codes and pass the rest on.
    virtual void HandleNotification(uint32_t Msg, uintptr_t WParam, intptr_t LParam);
    // The library's availability sets have changed.
    virtual void ApiChanged() = 0;
    // The library is about to unload: stop everything that uses it.
    virtual void ApiUnloading() = 0;

    // 0, or 1 when the window cannot be created.
    int CreateNotificationWindow();
    void DestroyNotificationWindow();
    const dabrix::transport::WindowHandle& NotificationWindow() const { return window_.Handle(); }

private:
    dabrix::transport::NotificationWindow window_;
};
