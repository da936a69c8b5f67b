#pragma once

// Stand-ins for what the item commands talk to: editors that save without a window, and the collection tree as a
// plain map hung the way the main window's tree filler hangs it.

#include "commands/ItemEditors.h"
#include "commands/ItemWorkshops.h"
#include "commands/NodeTree.h"
#include "core/TreeNodes.h"
#include "core/mFunctions.h"
#include "core/mGeneral.h"
#include "core/mGlobals.h"

#include "CBoxes.h"
#include "CCategories.h"
#include "CGroups.h"
#include "CMedias.h"
#include "CMovies.h"

#include <QHash>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace TestWorld {

// A tree of keys.
class KeyTree : public NodeTree
{
public:
    KeyTree() { m_children.insert(QStringLiteral("!0"), {}); }

    bool HasNode(const QString& key) const override { return m_children.contains(key); }
    QString ParentNodeKey(const QString& key) const override { return m_parent.value(key); }
    QStringList ChildNodeKeys(const QString& key) const override { return m_children.value(key); }

    bool Add(const QString& parent, const QString& key)
    {
        if (!HasNode(parent) || HasNode(key)) {
            return false;
        }
        m_children[parent].append(key);
        m_children.insert(key, {});
        m_parent.insert(key, parent);
        return true;
    }
    int Size() const { return int(m_children.size()); }

    // The tree the main window fills from the collections: categories, groups, then the child lists, in the full
    // structure or the flat view.
    static KeyTree Filled(bool blnFlat)
    {
        KeyTree tree;
        const auto add = [&tree](const QString& key, bool flat) {
            const std::optional<TreeNode> node = TreeNodes::NodeOf(key, flat);
            if (node && !tree.Add(node->strParentKey, key) && node->blnRootWhenParentMissing) {
                tree.Add(QStringLiteral("!0"), key);
            }
        };
        const auto addList = [&add](const SortPairList& list, bool flat) {
            for (int i = 1; i <= list.UBound(); ++i) {
                add(list[i].strKey, flat);
            }
        };
        if (!blnFlat) {
            for (const auto& category : *gCategories) {
                add(category->strKey(), false);
            }
            for (const auto& group : *gGroups) {
                add(group->strKey(), false);
            }
        }
        BuildChildLists();
        if (blnFlat) {
            addList(gFlatItems, true);
            addList(gBoxChildren, false);
            addList(gMediaChildren, false);
        } else {
            for (const SortPairList* list :
                 {&gRootChildren, &gCategoryChildren, &gGroupChildren, &gBoxChildren, &gMediaChildren}) {
                addList(*list, false);
            }
        }
        return tree;
    }

private:
    QHash<QString, QStringList> m_children;
    QHash<QString, QString> m_parent;
};

// Editors that save at once. A new item is stored under the remembered parent when the kind's parent list would
// offer it, else under the root, as the real editors preselect; an existing one gets `change` applied. A save the
// store refuses is answered as the real editors answer it: no key for a new item (nor from the movie editor), the
// given key for an existing one; and it is noted in `refusals`.
class FakeEditors : public ItemEditors
{
public:
    // Every call, as "EditMovie(M3)", "MovieParent(C1)", "AskYesNo(<question>)".
    QStringList calls;
    // What the next new item is called; a new movie also gets strLabel.
    QString strName = QStringLiteral("New Item");
    QString strLabel;
    // Cancel in every editor.
    bool blnCancel = false;
    // Applied to an existing item before its editor returns.
    std::function<void(const QString& key)> change;
    bool answer = true;
    QStringList warnings;
    // Every save the store refused, as "Add(<name>)" or "Update(<key>)".
    QStringList refusals;

    QString EditCategory(const QString& strKey) override
    {
        calls << "EditCategory(" + strKey + ")";
        return Edit(gCategories, strKey, {});
    }
    void GroupParent(const QString& strKey) override { Remember("GroupParent", strKey); }
    QString EditGroup(const QString& strKey) override
    {
        calls << "EditGroup(" + strKey + ")";
        return Edit(gGroups, strKey, {"C"});
    }
    void BoxParent(const QString& strKey) override { Remember("BoxParent", strKey); }
    QString EditBox(const QString& strKey) override
    {
        calls << "EditBox(" + strKey + ")";
        return Edit(gBoxes, strKey, {"C", "S"});
    }
    void MediaParent(const QString& strKey) override { Remember("MediaParent", strKey); }
    QString EditMedia(const QString& strKey) override
    {
        calls << "EditMedia(" + strKey + ")";
        return Edit(gMedias, strKey, {"C", "S", "B"});
    }
    void MovieParent(const QString& strKey) override { Remember("MovieParent", strKey); }
    QString EditMovie(const QString& strKey) override
    {
        calls << "EditMovie(" + strKey + ")";
        const QString key = Edit(gMovies, strKey, {"C", "S", "B", "E"});
        // Cancel on an existing movie gives no key, as the movie editor does.
        return blnCancel ? QString() : key;
    }
    bool AskYesNo(const QString& question) override
    {
        calls << "AskYesNo(" + question + ")";
        return answer;
    }
    void ShowWarning(const QString& message) override
    {
        calls << "ShowWarning";
        warnings << message;
    }

private:
    void Remember(const char* name, const QString& key)
    {
        calls << QString::fromLatin1(name) + "(" + key + ")";
        m_parent = key;
    }

    template <class Collection>
    QString Edit(const std::shared_ptr<Collection>& collection, const QString& strKey, const QStringList& offered)
    {
        if (!strKey.isEmpty()) {
            if (!blnCancel && change) {
                change(strKey);
                if (!collection->Update(strKey)) {
                    refusals << "Update(" + strKey + ")";
                    return std::is_same_v<Collection, CMovies> ? QString() : strKey;
                }
            }
            return strKey;
        }
        if (blnCancel) {
            return QString();
        }
        const QString key = collection->Add(strName);
        if (key.isEmpty()) {
            refusals << "Add(" + strName + ")";
            return QString();
        }
        auto item = collection->Item(key);
        item->setStrSortKey(MakeSortKey(strName));
        if constexpr (!std::is_same_v<Collection, CCategories>) {
            const bool offers = !m_parent.isEmpty() && offered.contains(m_parent.left(1)) && Exists(m_parent);
            item->setLngParentType(offers ? KeyPrefixToType(m_parent.left(1)) : 0);
            item->setLngParentID(offers ? m_parent.mid(1).toInt() : 0);
        }
        if constexpr (std::is_same_v<Collection, CMovies>) {
            item->setStrLabel(strLabel);
        }
        if (!collection->Update(key)) {
            // Nothing of a refused new item is kept.
            refusals << "Update(" + key + ")";
            collection->Remove(key);
            return QString();
        }
        return key;
    }
    static bool Exists(const QString& key)
    {
        switch (key.isEmpty() ? 0 : key.at(0).unicode()) {
        case 'C':
            return bool(gCategories->Item(key));
        case 'S':
            return bool(gGroups->Item(key));
        case 'B':
            return bool(gBoxes->Item(key));
        case 'E':
            return bool(gMedias->Item(key));
        default:
            return false;
        }
    }

    QString m_parent;
};

// Workshops and templates answered without a window. Calls go into the log given, so that they interleave with the
// editors' calls.
class FakeWorkshops : public ItemWorkshops
{
public:
    explicit FakeWorkshops(QStringList& log) : m_log(log) {}

    // What each workshop returns; none is Cancel.
    std::optional<QStringList> boxList;
    std::optional<QStringList> mediaList;
    // The templates: null when cancelled.
    bool blnMediaTemplate = true;
    mTypMediaInfo mediaInfo;
    QString mediaExtras;
    bool blnMovieTemplate = true;
    std::function<void(CMovie&)> fillMovie;
    // Run right after the movie template is given, before anything is created.
    std::function<void()> afterTemplates;
    QStringList messages;
    bool busy = false;
    int busyTurns = 0;

    std::optional<QStringList> GetBoxEpisodeList() override
    {
        m_log << "GetBoxEpisodeList";
        return boxList;
    }
    std::optional<QStringList> GetMediaEpisodeList() override
    {
        m_log << "GetMediaEpisodeList";
        return mediaList;
    }
    std::unique_ptr<CMedia> MakeMediaTemplate() override
    {
        m_log << "MakeMediaTemplate";
        if (!blnMediaTemplate) {
            return nullptr;
        }
        auto medium = std::make_unique<CMedia>();
        medium->setDMedia(mediaInfo);
        medium->setStrExtras(mediaExtras);
        return medium;
    }
    std::unique_ptr<CMovie> MakeMovieTemplate() override
    {
        m_log << "MakeMovieTemplate";
        if (!blnMovieTemplate) {
            return nullptr;
        }
        auto movie = std::make_unique<CMovie>();
        if (fillMovie) {
            fillMovie(*movie);
        }
        if (afterTemplates) {
            afterTemplates();
        }
        return movie;
    }
    void ShowMessage(const QString& message) override
    {
        m_log << "ShowMessage";
        messages << message;
    }
    void SetBusy(bool value) override
    {
        busyTurns += value != busy ? 1 : 0;
        busy = value;
    }

private:
    QStringList& m_log;
};

// Editors and workshops in one, as the program's dialogs are.
class FakeDialogs : public FakeEditors, public FakeWorkshops
{
public:
    FakeDialogs() : FakeWorkshops(FakeEditors::calls) {}
};

} // namespace TestWorld
