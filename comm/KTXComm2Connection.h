#pragma once
// The collection of connection items a manager owns. An item's index is its position;
// the collection's owner (the manager) is each item's host.
//
// Adding, deleting and changing items raise no event of the collection; each item reports
// its own creation and destruction.
//
// Threading: owner thread only.
#include "transport/lnkComponent.h"

#include <vector>

class TKTXComm2Host;
class TKTXComm2Item;

class TKTXComm2Connection : public TPersistent {
public:
    // Host: what the items reach the manager through (may be null for a bare collection).
    TKTXComm2Connection(TKTXComm2Host* Host, TComponent* Owner);
    // Frees the items, first to last.
    ~TKTXComm2Connection() override;

    TKTXComm2Connection(const TKTXComm2Connection&) = delete;
    TKTXComm2Connection& operator=(const TKTXComm2Connection&) = delete;

    TComponent* Owner() const { return owner_; }
    TKTXComm2Host* Host() const { return host_; }

    // A new item at the end.
    TKTXComm2Item* Add();
    int Count() const { return static_cast<int>(items_.size()); }
    // Raises lnkEIndexOutOfBounds "Index out of bounds (%d)." outside 0..Count()-1.
    TKTXComm2Item* Items(int Index) const;
    // Frees the item at Index (same exception as Items).
    void Delete(int Index);
    // Frees every item.
    void Clear();
    int IndexOf(const TKTXComm2Item* Item) const;

    // Rebuilds the items from another collection: clears this one, then adds one item per
    // item of Source and assigns it from that item. Anything else is refused like
    // TPersistent refuses it.
    void Assign(const TPersistent* Source) override;
    void Assign(const TKTXComm2Connection& Source) { Assign(static_cast<const TPersistent*>(&Source)); }

private:
    friend class TKTXComm2Item;
    // Called by an item's constructor and destructor.
    void InsertItem(TKTXComm2Item* Item) { items_.push_back(Item); }
    void RemoveItem(TKTXComm2Item* Item);

    TKTXComm2Host* host_;
    TComponent* owner_;
    std::vector<TKTXComm2Item*> items_;  // owned
};
