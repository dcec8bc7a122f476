#include "transport/lnkBindings.h"

#include "transport/lnkIrDALoader.h"
#include "transport/lnkMicrosoftLoader.h"
#include "transport/lnkVendorLoaders.h"

#include <array>
#include <mutex>

namespace dabrix::transport {
namespace {

constexpr size_t kKinds = static_cast<size_t>(BindingKind::WidComm) + 1;

std::mutex factoriesLock;
std::array<StackBindingFactory, kKinds> factories;

} // namespace

void SetStackBindingFactory(BindingKind Kind, StackBindingFactory Factory)
{
    std::lock_guard guard(factoriesLock);
    factories[static_cast<size_t>(Kind)] = std::move(Factory);
}

std::unique_ptr<StackBinding> CreateStackBinding(BindingKind Kind, const WindowHandle& Root)
{
    StackBindingFactory factory;
    {
        std::lock_guard guard(factoriesLock);
        factory = factories[static_cast<size_t>(Kind)];
    }
    if (std::unique_ptr<StackBinding> binding = factory ? factory(Root) : nullptr)
        return binding;
    // The platform's own: Linux has none of the vendor stacks nor the Kinect runtime, so
    // their bindings hold nothing and report unavailable.
    switch (Kind) {
    case BindingKind::IrDA: return std::make_unique<TlnkIrDALoader>(Root);
    case BindingKind::Microsoft: return std::make_unique<TlnkMicrosoftLoader>(Root);
    case BindingKind::Kinect: return std::make_unique<TlnkKinectLoader>(Root);
    case BindingKind::BlueSoleil: return std::make_unique<TlnkBlueSoleilLoader>(Root);
    case BindingKind::Toshiba: return std::make_unique<TlnkToshibaLoader>(Root);
    case BindingKind::WidComm: return std::make_unique<TlnkWidCommLoader>(Root);
    }
    return nullptr;
}

} // namespace dabrix::transport
