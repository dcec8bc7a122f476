#include "transport/lnkBindings.h"

#include "transport/lnkIrDALoader.h"
#include "transport/lnkMicrosoftLoader.h"

#include <array>
#include <mutex>

namespace dabrix::transport {
namespace {

// A stack the platform does not have.
class AbsentBinding : public StackBinding {
public:
    bool Available() override { return false; }
    void Unload() override {}
};

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
    std::unique_ptr<StackBinding> binding = factory ? factory(Root) : nullptr;
    if (!binding && Kind == BindingKind::IrDA)
        binding = std::make_unique<TlnkIrDALoader>(Root);
    if (!binding && Kind == BindingKind::Microsoft)
        binding = std::make_unique<TlnkMicrosoftLoader>(Root);
    if (!binding)
        binding = std::make_unique<AbsentBinding>();
    return binding;
}

} // namespace dabrix::transport
