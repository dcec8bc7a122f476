#pragma once
// Stack bindings described by data: each kind is present or absent as the test says,
// records its unloading, and exposes the root window it was given.
#include "transport/lnkBindings.h"

#include <map>
#include <string>
#include <vector>

namespace dabrix::test {

class FakeStacks {
public:
    FakeStacks() { Install(); }
    ~FakeStacks()
    {
        for (auto kind : kAll)
            transport::SetStackBindingFactory(kind, {});
    }

    void SetPresent(transport::BindingKind kind, bool present) { present_[kind] = present; }

    std::vector<std::string> unloaded;  // names in unloading order
    int created = 0;
    transport::WindowHandle root;       // the window the last binding was given

    static const char* Name(transport::BindingKind kind)
    {
        switch (kind) {
        case transport::BindingKind::IrDA: return "IrDA";
        case transport::BindingKind::Kinect: return "Kinect";
        case transport::BindingKind::Microsoft: return "Microsoft";
        case transport::BindingKind::BlueSoleil: return "BlueSoleil";
        case transport::BindingKind::Toshiba: return "Toshiba";
        case transport::BindingKind::WidComm: return "WidComm";
        }
        return "?";
    }

private:
    static constexpr transport::BindingKind kAll[] = {
        transport::BindingKind::IrDA, transport::BindingKind::Kinect, transport::BindingKind::Microsoft,
        transport::BindingKind::BlueSoleil, transport::BindingKind::Toshiba, transport::BindingKind::WidComm};

    class Binding : public transport::StackBinding {
    public:
        Binding(FakeStacks& owner, transport::BindingKind kind, bool present)
            : owner_(owner), kind_(kind), present_(present) {}
        bool Available() override { return present_; }
        void Unload() override { owner_.unloaded.push_back(Name(kind_)); }

    private:
        FakeStacks& owner_;
        transport::BindingKind kind_;
        bool present_;
    };

    void Install()
    {
        for (auto kind : kAll) {
            transport::SetStackBindingFactory(kind, [this, kind](const transport::WindowHandle& r) {
                ++created;
                root = r;
                return std::make_unique<Binding>(*this, kind, present_[kind]);
            });
        }
    }

    std::map<transport::BindingKind, bool> present_;
};

} // namespace dabrix::test
