#include "comm/KTXComm2Connection.h"

#include "comm/KTXComm2Item.h"
#include "transport/lnkExceptions.h"

#include <algorithm>

TKTXComm2Connection::TKTXComm2Connection(TKTXComm2Host* Host, TComponent* Owner) : host_(Host), owner_(Owner) {}

TKTXComm2Connection::~TKTXComm2Connection()
{
    Clear();
}

TKTXComm2Item* TKTXComm2Connection::Add()
{
    // The item joins the collection in its constructor, so that it knows its index there.
    return new TKTXComm2Item(this);
}

TKTXComm2Item* TKTXComm2Connection::Items(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw lnkEIndexOutOfBounds(QStringLiteral("Index out of bounds (%1).").arg(Index));
    return items_[static_cast<size_t>(Index)];
}

void TKTXComm2Connection::Delete(int Index)
{
    // An item leaves the collection in its destructor.
    delete Items(Index);
}

void TKTXComm2Connection::Clear()
{
    while (!items_.empty())
        delete items_.front();
}

int TKTXComm2Connection::IndexOf(const TKTXComm2Item* Item) const
{
    const auto it = std::find(items_.begin(), items_.end(), Item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TKTXComm2Connection::Assign(const TPersistent* Source)
{
    const auto* source = dynamic_cast<const TKTXComm2Connection*>(Source);
    if (!source) {
        TPersistent::Assign(Source);
        return;
    }
    if (source == this)
        return;
    Clear();
    for (const TKTXComm2Item* item : source->items_)
        Add()->Assign(item);
}

void TKTXComm2Connection::RemoveItem(TKTXComm2Item* Item)
{
    const auto it = std::find(items_.begin(), items_.end(), Item);
    if (it != items_.end())
        items_.erase(it);
}
