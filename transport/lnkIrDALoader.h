#pragma once
// The IrDA stack binding over the emulated infrared layer: the stack is there while its
// air folder (DABRIX_IRDA_DIR) exists. The folder appearing or going away reaches the
// library root as a change of trIrDA's availability (WM_USER+1, wParam 2), so the
// available ports follow and an open infrared link ends.
//
// Threading: created, used and unloaded on the thread that loads the library; the
// folder is watched from that thread's event loop.
#include "transport/lnkBindings.h"

#include <memory>

namespace dabrix::platform::irda {
class AirWatcher;
}

class TlnkIrDALoader : public dabrix::transport::StackBinding {
public:
    explicit TlnkIrDALoader(const dabrix::transport::WindowHandle& Root);
    ~TlnkIrDALoader() override;

    bool Available() override;
    void Unload() override;

private:
    dabrix::transport::WindowHandle root_;
    std::unique_ptr<dabrix::platform::irda::AirWatcher> watcher_;
};
