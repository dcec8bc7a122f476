#pragma once
// The library's device lists: each owns its entries and checks its arguments the same way.
#include "transport/lnkComponent.h"
#include "transport/lnkExceptions.h"

#include <QCoreApplication>

#include <memory>
#include <vector>

template <typename Item>
class TlnkOwningList : public TObject {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    // Raises lnkEIndexOutOfBounds "Index out of bounds (%d)." for a bad index.
    Item* Items(int Index) const
    {
        CheckIndex(Index);
        return items_[static_cast<size_t>(Index)].get();
    }
    // Takes ownership; none raises lnkEInvalidArgument with the list's message.
    void Add(Item* Entry)
    {
        if (!Entry)
            throw lnkEInvalidArgument(QCoreApplication::translate("lnkExceptions", noneMessage_));
        items_.emplace_back(Entry);
    }
    void Delete(int Index)
    {
        CheckIndex(Index);
        items_.erase(items_.begin() + Index);
    }
    void Clear() { items_.clear(); }

protected:
    // `NoneMessage`: what Add raises for no entry, e.g. "Device parameter is not valid.", a
    // text of the "lnkExceptions" context (marked with QT_TRANSLATE_NOOP where it is given).
    explicit TlnkOwningList(const char* NoneMessage) : noneMessage_(NoneMessage) {}

    std::vector<std::unique_ptr<Item>> items_;

private:
    void CheckIndex(int Index) const
    {
        if (Index < 0 || Index >= Count())
            throw lnkEIndexOutOfBounds(
                QCoreApplication::translate("lnkExceptions", "Index out of bounds (%1).").arg(Index));
    }

    const char* noneMessage_;
};
