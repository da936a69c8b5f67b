#include "core/CommandState.h"

#include "core/Collections.h"

#include "CMedia.h"
#include "CMovie.h"

namespace CommandState {

const QStringList& ManagedCommands()
{
    static const QStringList commands{"mnuNewCategory", "mnuNewSubcategory", "mnuNewBox",     "mnuNewMedia",
                                      "mnuNewMovie",    "mnuDelete",         "mnuImport",     "mnuExport",
                                      "mnuOrbelImport", "mnuOrbelExport",    "mnuUEFImport",  "mnuToolsDVDOrbelSubmit",
                                      "btnUEFImport",   "btnOrbelImport",    "btnOrbelExport"};
    return commands;
}

QStringList EnabledCommands(const QString& key)
{
    QStringList enabled;
    const QChar kind = key.isEmpty() ? QChar() : key.at(0);
    if (kind == '!' || kind == 'C' || kind == 'S') {
        enabled << "mnuNewCategory"
                << "mnuNewBox"
                << "mnuNewMedia"
                << "mnuNewMovie"
                << "mnuImport"
                << "mnuUEFImport"
                << "btnUEFImport"
                << "mnuOrbelImport"
                << "btnOrbelImport";
        if (kind != 'S') {
            enabled << "mnuNewSubcategory";
        }
        if (kind != '!') {
            enabled << "mnuDelete";
        }
    } else if (kind == 'B') {
        enabled << "mnuNewCategory"
                << "mnuNewMedia"
                << "mnuNewMovie"
                << "mnuDelete"
                << "mnuOrbelExport"
                << "btnOrbelExport"
                << "mnuExport";
    } else if (kind == 'E' || kind == 'M') {
        enabled << "mnuDelete";
        if (kind == 'E') {
            enabled << "mnuNewCategory"
                    << "mnuNewMovie";
        }
        // Only what stands outside a box travels alone; an item that is not loaded counts as inside one.
        int parentType = 3;
        if (kind == 'E') {
            if (const auto media = Collections::ItemAs<CMedia>(key)) {
                parentType = media->lngParentType();
            }
        } else if (const auto movie = Collections::ItemAs<CMovie>(key)) {
            parentType = movie->lngParentType();
        }
        if (parentType < 3) {
            enabled << "mnuOrbelExport"
                    << "btnOrbelExport"
                    << "mnuToolsDVDOrbelSubmit"
                    << "mnuExport";
        }
    }
    return enabled;
}

} // namespace CommandState
