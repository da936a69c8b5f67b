#include "editors/EditorSave.h"

#include "core/mGeneral.h"

#include <QMetaProperty>
#include <QObject>

QString StoreRefusalMessage()
{
    return QStringLiteral("The item could not be saved: the collection folder refused the write. Nothing was "
                          "changed; your entries are still in the editor, so you can try again or cancel.");
}

QString StoreRefusalMessage(const QString& why)
{
    return QStringLiteral("The item could not be saved: %1. Nothing was changed; your entries are still in the "
                          "editor, so you can try again or cancel.")
        .arg(why);
}

QString UnconfirmedSaveMessage(const QString& why)
{
    return QStringLiteral("The item was saved, but the disk did not confirm the write (%1). The item stands as you "
                          "entered it; should the computer lose power before the disk has written it, the item may "
                          "come back as it was before this save.")
        .arg(why);
}

QString RefusalTitle()
{
    return QStringLiteral("Vidsora");
}

QString CodePageRefusal(const QList<CodePage::Field>& fields)
{
    return CodePage::RefusalMessage(fields);
}

QString SortKeyFollower::NameChanged(const QString& newName, const QString& sortText)
{
    const QString followed = MakeSortKey(m_name);
    m_name = newName;
    if (sortText.isEmpty() || sortText == followed) {
        return MakeSortKey(newName);
    }
    return sortText;
}

PropertySnapshot::PropertySnapshot(const QObject& item)
{
    const QMetaObject* meta = item.metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (property.isWritable() && property.isStored() && qstrcmp(property.name(), "objectName") != 0) {
            m_values.append({QByteArray(property.name()), property.read(&item)});
        }
    }
}

void PropertySnapshot::Restore(QObject& item) const
{
    for (const auto& [name, value] : m_values) {
        // lngID fixes itself on first set and Path belongs to the store; neither is an editor's field.
        if (name != "lngID" && name != "Path") {
            item.setProperty(name.constData(), value);
        }
    }
}
