#pragma once
// The object model every component of the program stands on: a polymorphic root, the
// persistent base of parameter objects and the component with an owner, Name and Tag.
//
// An owner is recorded, not managed: C++ members and smart pointers free components.
// Events are std::function members, called only when set, with the sender first.
#include <QString>
#include <cstdint>
#include <functional>

class TObject {
public:
    virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

// Base of objects whose values can be copied from another of the same kind.
class TPersistent : public TObject {
public:
    // Copies the values of Source. This base knows no values, so it raises
    // lnkEInvalidArgument: a subclass accepts its own class and passes the rest here.
    virtual void Assign(const TPersistent* Source);
};

class TComponent : public TObject {
public:
    explicit TComponent(TComponent* Owner) : owner_(Owner) {}
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return owner_; }

    const QString& Name() const { return name_; }
    void SetName(const QString& Value) { name_ = Value; }

    intptr_t Tag() const { return tag_; }
    void SetTag(intptr_t Value) { tag_ = Value; }

private:
    TComponent* owner_;
    QString name_;
    intptr_t tag_ = 0;
};
