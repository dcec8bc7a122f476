#include "comm/KTXComm2UsbLink.h"

namespace dabrix::comm {

namespace {
UsbLinkFactory& Factory()
{
    static UsbLinkFactory factory;
    return factory;
}
} // namespace

void SetUsbLinkFactory(UsbLinkFactory Factory_)
{
    Factory() = std::move(Factory_);
}

std::unique_ptr<UsbLink> CreateUsbLink()
{
    return Factory() ? Factory()() : nullptr;
}

} // namespace dabrix::comm
