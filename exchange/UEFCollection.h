#pragma once

#include <QObject>

#include <memory>
#include <vector>

// The ordered collection of item objects that a document (colUEF) and a box or medium (colContents) hold.
// Entries go in without keys; Item counts from 1; iteration runs in order of addition. Owners hand out their own
// collection through a shared pointer, so whoever reads it adds to and enumerates the very same list.
class UEFCollection
{
public:
    // How deep contents may nest below the top level. Items further down are dropped by the parser and left out by
    // the writer, so that no walk over a tree, however it was built, recurses without bound.
    static constexpr int MaxDepth = 16;

    using Entries = std::vector<std::shared_ptr<QObject>>;

    void Add(std::shared_ptr<QObject> item) { m_entries.push_back(std::move(item)); }
    int Count() const { return int(m_entries.size()); }
    // The entry at position index (1 to Count), or null outside that range.
    std::shared_ptr<QObject> Item(int index) const;
    // Removes the entry at position index (1 to Count); does nothing outside that range.
    void Remove(int index);

    Entries::const_iterator begin() const { return m_entries.begin(); }
    Entries::const_iterator end() const { return m_entries.end(); }

private:
    Entries m_entries;
};
