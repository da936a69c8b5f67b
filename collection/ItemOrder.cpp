#include "ItemOrder.h"

#include "CItem.h"

#include <string_view>
#include <utility>

namespace {

// Sort keys compare as sequences of 16-bit code units, with no case folding and no locale.
std::u16string_view KeyOf(const CItem& item)
{
    const QString& key = item.strSortKeyRef();
    return std::u16string_view(reinterpret_cast<const char16_t*>(key.utf16()), size_t(key.size()));
}

bool KeyGreater(const CItem& a, const CItem& b)
{
    return KeyOf(b) < KeyOf(a);
}

} // namespace

ItemOrder::~ItemOrder()
{
    Detach();
}

void ItemOrder::Detach()
{
    // The items may outlive the order: they must not tell it about their keys any more.
    for (const Node& node : m_nodes) {
        if (node.item) {
            node.item->m_order = nullptr;
            node.item->m_orderNode = -1;
        }
    }
}

void ItemOrder::Clear()
{
    Detach();
    m_nodes.clear();
    m_free.clear();
    m_root = -1;
    m_items.clear();
    m_itemsValid = true;
}

quint32 ItemOrder::NextPriority()
{
    // xorshift32: the shape of the tree needs spread, not quality.
    m_seed ^= m_seed << 13;
    m_seed ^= m_seed >> 17;
    m_seed ^= m_seed << 5;
    return m_seed;
}

int ItemOrder::NewNode(const std::shared_ptr<CItem>& item)
{
    int index;
    if (!m_free.empty()) {
        index = m_free.back();
        m_free.pop_back();
        m_nodes[size_t(index)] = Node{};
    } else {
        index = int(m_nodes.size());
        m_nodes.emplace_back();
    }
    Node& node = m_nodes[size_t(index)];
    node.item = item;
    node.priority = NextPriority();
    node.greatest = item.get();
    item->m_order = this;
    item->m_orderNode = index;
    return index;
}

void ItemOrder::Pull(int index)
{
    Node& node = m_nodes[size_t(index)];
    const CItem* greatest = node.item.get();
    for (int child : {node.left, node.right}) {
        if (child >= 0) {
            const CItem* below = m_nodes[size_t(child)].greatest;
            if (KeyGreater(*below, *greatest)) {
                greatest = below;
            }
        }
    }
    node.greatest = greatest;
}

void ItemOrder::SetLeft(int index, int child)
{
    m_nodes[size_t(index)].left = child;
    if (child >= 0) {
        m_nodes[size_t(child)].parent = index;
    }
}

void ItemOrder::SetRight(int index, int child)
{
    m_nodes[size_t(index)].right = child;
    if (child >= 0) {
        m_nodes[size_t(child)].parent = index;
    }
}

void ItemOrder::PullUp(int index)
{
    for (; index >= 0; index = m_nodes[size_t(index)].parent) {
        Pull(index);
    }
}

// Cuts the subtree at `index` into the entries before the first one whose key is greater than item's (`before`) and
// the rest (`after`). Every entry before that one has a key no greater than item's, so a subtree goes right or left
// as a whole by its greatest key.
void ItemOrder::Split(int index, const CItem& item, int& before, int& after)
{
    if (index < 0) {
        before = after = -1;
        return;
    }
    const Node& node = m_nodes[size_t(index)];
    if (node.left >= 0 && KeyGreater(*m_nodes[size_t(node.left)].greatest, item)) {
        int innerAfter;
        Split(node.left, item, before, innerAfter);
        SetLeft(index, innerAfter);
        after = index;
    } else if (KeyGreater(*node.item, item)) {
        before = node.left;
        SetLeft(index, -1);
        after = index;
    } else {
        int innerBefore;
        Split(node.right, item, innerBefore, after);
        SetRight(index, innerBefore);
        before = index;
    }
    Pull(index);
    if (before >= 0) {
        m_nodes[size_t(before)].parent = -1;
    }
    if (after >= 0) {
        m_nodes[size_t(after)].parent = -1;
    }
}

int ItemOrder::Merge(int a, int b)
{
    if (a < 0) {
        return b;
    }
    if (b < 0) {
        return a;
    }
    if (m_nodes[size_t(a)].priority >= m_nodes[size_t(b)].priority) {
        SetRight(a, Merge(m_nodes[size_t(a)].right, b));
        Pull(a);
        return a;
    }
    SetLeft(b, Merge(a, m_nodes[size_t(b)].left));
    Pull(b);
    return b;
}

bool ItemOrder::Place(const std::shared_ptr<CItem>& item)
{
    if (!item || item->m_order) {
        return false;
    }
    const int node = NewNode(item);
    int before;
    int after;
    Split(m_root, *item, before, after);
    m_root = Merge(Merge(before, node), after);
    m_nodes[size_t(m_root)].parent = -1;
    m_itemsValid = false;
    return true;
}

bool ItemOrder::Remove(const CItem* item)
{
    if (!item || item->m_order != this) {
        return false;
    }
    const int index = item->m_orderNode;
    Node& node = m_nodes[size_t(index)];
    const int parent = node.parent;
    const int joined = Merge(node.left, node.right);
    if (parent < 0) {
        m_root = joined;
        if (joined >= 0) {
            m_nodes[size_t(joined)].parent = -1;
        }
    } else if (m_nodes[size_t(parent)].left == index) {
        SetLeft(parent, joined);
    } else {
        SetRight(parent, joined);
    }
    PullUp(parent);
    Node& gone = m_nodes[size_t(index)];
    gone.item->m_order = nullptr;
    gone.item->m_orderNode = -1;
    gone = Node{};
    m_free.push_back(index);
    m_itemsValid = false;
    return true;
}

void ItemOrder::KeyChanged(const CItem* item)
{
    PullUp(item->m_orderNode);
}

void ItemOrder::Assign(std::vector<std::shared_ptr<CItem>> items)
{
    Clear();
    m_nodes.reserve(items.size());
    // A treap in one pass over the entries in order: the right spine kept on a stack.
    std::vector<int> spine;
    for (const auto& item : items) {
        if (!item || item->m_order) {
            continue;
        }
        const int node = NewNode(item);
        int last = -1;
        while (!spine.empty() && m_nodes[size_t(spine.back())].priority < m_nodes[size_t(node)].priority) {
            last = spine.back();
            spine.pop_back();
        }
        SetLeft(node, last);
        if (!spine.empty()) {
            SetRight(spine.back(), node);
        } else {
            m_nodes[size_t(node)].parent = -1;
        }
        spine.push_back(node);
    }
    m_root = spine.empty() ? -1 : spine.front();
    // Greatest keys from the leaves up: a node's index is not ordered against its children's, so walk in post-order.
    std::vector<std::pair<int, bool>> stack;
    if (m_root >= 0) {
        stack.push_back({m_root, false});
    }
    while (!stack.empty()) {
        auto [node, childrenDone] = stack.back();
        stack.pop_back();
        if (childrenDone) {
            Pull(node);
            continue;
        }
        stack.push_back({node, true});
        for (int child : {m_nodes[size_t(node)].left, m_nodes[size_t(node)].right}) {
            if (child >= 0) {
                stack.push_back({child, false});
            }
        }
    }
    m_items = std::move(items);
    m_itemsValid = qsizetype(m_items.size()) == Count();
}

const std::vector<std::shared_ptr<CItem>>& ItemOrder::Items() const
{
    if (m_itemsValid) {
        return m_items;
    }
    m_items.clear();
    m_items.reserve(size_t(Count()));
    std::vector<int> stack;
    for (int node = m_root; node >= 0 || !stack.empty();) {
        while (node >= 0) {
            stack.push_back(node);
            node = m_nodes[size_t(node)].left;
        }
        node = stack.back();
        stack.pop_back();
        m_items.push_back(m_nodes[size_t(node)].item);
        node = m_nodes[size_t(node)].right;
    }
    m_itemsValid = true;
    return m_items;
}
