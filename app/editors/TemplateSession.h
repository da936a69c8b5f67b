#pragma once

#include "editors/ParentList.h"
#include "editors/PendingCovers.h"

#include <QList>
#include <QString>

#include <memory>

// What the media and movie editors share: a session opened on a new item, a stored one or the template, with a fresh
// form, the parent list of the kind and the covers the item has stored; and the free-standing item that OK fills in
// template mode.

template <class Item, class ItemForm> class TemplateSession
{
public:
    enum class Mode
    {
        New,
        Edit,
        Template,
    };

    // The item key of template mode.
    static inline const QString kTemplateKey = QStringLiteral("TEMPLATE");

    // The container preselected for the next new item.
    void SetParentKey(const QString& strKey) { m_parentKey = strKey; }
    QString ParentKey() const { return m_parentKey; }

    // Starts template mode: no name, sort key, code, covers or parent; OK stores nothing.
    void OpenTemplate()
    {
        Start(Mode::Template, kTemplateKey);
        m_caption = m_captions.templateItem;
    }

    Mode mode() const { return m_mode; }
    // The item key: the one given, the new item's after a saved new one, kTemplateKey in template mode.
    QString Key() const { return m_key; }
    QString Caption() const { return m_caption; }
    const ItemForm& Form() const { return m_form; }
    const QList<ParentEntry>& Places() const { return m_places; }
    // The covers the opened item has stored; none for a new one or a template.
    const StoredCovers& Covers() const { return m_covers; }
    bool Offers(const QString& parentKey) const { return OffersPlace(m_places, parentKey); }
    // The parent the item was loaded with ("!0" for a new one): decides the product-code lock.
    QString LoadedParentKey() const { return m_loadedParent; }

    // The template filled by OK, once; null after Cancel.
    std::unique_ptr<Item> TakeTemplate() { return std::move(m_template); }

protected:
    struct Captions
    {
        QString newItem;      // a new item's
        QString item;         // a stored item's when its key names none
        QString templateItem; // template mode's
    };

    TemplateSession(ParentKind kind, Captions captions) : m_kind(kind), m_captions(std::move(captions)) {}

    // Opens a session on strKey: a new item for the empty key, under the preselected parent where the list offers
    // it. True when the key names a stored item, which the caller then reads with Loaded.
    bool Begin(const QString& strKey)
    {
        Start(strKey.isEmpty() ? Mode::New : Mode::Edit, strKey);
        if (m_mode == Mode::New) {
            m_caption = m_captions.newItem;
            if (Offers(m_parentKey)) {
                m_form.parentKey = m_parentKey;
            }
            return false;
        }
        m_caption = m_captions.item;
        return true;
    }

    // The stored item as read: its fields, its covers and its name as the caption.
    void Loaded(ItemForm form, StoredCovers covers, const QString& caption)
    {
        m_form = std::move(form);
        m_covers = std::move(covers);
        m_loadedParent = m_form.parentKey;
        m_caption = caption;
    }

    // After OK saved the form under key.
    void Kept(const QString& key, const ItemForm& form)
    {
        m_key = key;
        m_form = form;
    }

    Mode m_mode = Mode::New;
    QString m_key;
    std::unique_ptr<Item> m_template;

private:
    // A fresh session: nothing of an earlier opening stays.
    void Start(Mode mode, const QString& key)
    {
        m_mode = mode;
        m_key = key;
        m_form = {};
        m_covers = {};
        m_template.reset();
        m_loadedParent = kRootKey;
        m_places = FillParentList(m_kind);
    }

    ParentKind m_kind;
    Captions m_captions;
    QString m_parentKey;
    QString m_loadedParent = kRootKey;
    QString m_caption;
    ItemForm m_form;
    QList<ParentEntry> m_places;
    StoredCovers m_covers;
};
