#include "transport/lnkBaseComponent.h"

#include "transport/lnkMessages.h"

using namespace dabrix::transport;

TlnkBaseComponent::TlnkBaseComponent(TComponent* Owner) : TComponent(Owner) {}

TlnkBaseComponent::~TlnkBaseComponent() = default;

void TlnkBaseComponent::HandleNotification(uint32_t Msg, uintptr_t, intptr_t)
{
    switch (Msg) {
    case msg::ApiUnloading:
        ApiUnloading();
        break;
    case msg::ApiChanged:
        ApiChanged();
        break;
    default:
        break;
    }
}

int TlnkBaseComponent::CreateNotificationWindow()
{
    return window_.Create([this](uint32_t m, uintptr_t w, intptr_t l) { HandleNotification(m, w, l); });
}

void TlnkBaseComponent::DestroyNotificationWindow()
{
    window_.Destroy();
}
