#include "core/CommandState.h"

#include "core/Collections.h"
#include "core/CommandTable.h"

#include "CMedia.h"
#include "CMovie.h"

namespace CommandState {

const QStringList& ManagedCommands()
{
    static const QStringList commands = [] {
        QStringList names;
        for (const CommandTable::Item& item : CommandTable::Items()) {
            if (item.enabling.kinds) {
                names.append(QLatin1String(item.name));
            }
        }
        return names;
    }();
    return commands;
}

QStringList EnabledCommands(const QString& key)
{
    const QChar kind = key.isEmpty() ? QChar() : key.at(0);
    // Only what stands outside a box travels alone; an item that is not loaded counts as inside one.
    int parentType = 3;
    if (kind == 'E') {
        if (const auto media = Collections::ItemAs<CMedia>(key)) {
            parentType = media->lngParentType();
        }
    } else if (kind == 'M') {
        if (const auto movie = Collections::ItemAs<CMovie>(key)) {
            parentType = movie->lngParentType();
        }
    }
    QStringList enabled;
    for (const CommandTable::Item& item : CommandTable::Items()) {
        if (CommandTable::Enables(item.enabling, kind, parentType < 3)) {
            enabled.append(QLatin1String(item.name));
        }
    }
    return enabled;
}

} // namespace CommandState
