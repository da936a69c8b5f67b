#pragma once

#include <QtGlobal>

#include <cstdint>
#include <memory>
#include <vector>

class CItem;

// The order of one collection's entries. Its one rule for a new entry, "before the first entry whose sort key is
// greater", must hold also once edited keys have left the list out of order, so the entries are kept as a balanced
// tree over their positions in which every node knows the greatest sort key below it: the place of a new entry, a
// removal and a changed key each cost O(log n). The entries in order are gathered again only when someone reads them.
//
// An entry's item tells the order when its sort key changes (CItem::setStrSortKey), so an item belongs to at most
// one order at a time.
class ItemOrder
{
public:
    ItemOrder() = default;
    ~ItemOrder();
    ItemOrder(const ItemOrder&) = delete;
    ItemOrder& operator=(const ItemOrder&) = delete;

    qsizetype Count() const { return qsizetype(m_nodes.size() - m_free.size()); }
    // Places the item before the first entry whose sort key is greater than its own, at the end when there is none.
    // False (nothing placed) for an item that belongs to an order already.
    bool Place(const std::shared_ptr<CItem>& item);
    // Takes the item out; false when it is not an entry of this order.
    bool Remove(const CItem* item);
    // The entries become exactly these, in this order.
    void Assign(std::vector<std::shared_ptr<CItem>> items);
    void Clear();
    // The entries in order. The reference stays valid, and unchanged, until the order changes and is read again.
    const std::vector<std::shared_ptr<CItem>>& Items() const;

private:
    friend class CItem;
    // Called by the item after its sort key changed.
    void KeyChanged(const CItem* item);

    struct Node
    {
        std::shared_ptr<CItem> item;
        int left = -1;
        int right = -1;
        int parent = -1;
        quint32 priority = 0;
        const CItem* greatest = nullptr; // the item with the greatest sort key in this node's subtree
    };

    int NewNode(const std::shared_ptr<CItem>& item);
    void Pull(int node);
    void Split(int node, const CItem& item, int& before, int& after);
    int Merge(int a, int b);
    void SetLeft(int node, int child);
    void SetRight(int node, int child);
    void PullUp(int node);
    void Detach();
    quint32 NextPriority();

    std::vector<Node> m_nodes;
    std::vector<int> m_free;
    int m_root = -1;
    quint32 m_seed = 0x9E3779B9u;
    mutable std::vector<std::shared_ptr<CItem>> m_items;
    mutable bool m_itemsValid = true;
};
