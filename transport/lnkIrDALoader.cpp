#include "transport/lnkIrDALoader.h"

#include "platform/irda/IrDAAirWatcher.h"
#include "platform/irda/IrDASocket.h"
#include "transport/lnkAPI.h"
#include "transport/lnkMessages.h"

using namespace dabrix::transport;
namespace irda = dabrix::platform::irda;

TlnkIrDALoader::TlnkIrDALoader(const WindowHandle& Root) : root_(Root)
{
    watcher_ = std::make_unique<irda::AirWatcher>(irda::AirFolder().value_or(std::string()), [this](bool present) {
        root_.Post(msg::TransportChanged, trIrDA, present ? 1 : 0);
    });
}

TlnkIrDALoader::~TlnkIrDALoader() = default;

bool TlnkIrDALoader::Available()
{
    // What the watcher saw last, so that a change after this answer is still reported.
    return watcher_ && watcher_->Present();
}

void TlnkIrDALoader::Unload()
{
    watcher_.reset();
}
