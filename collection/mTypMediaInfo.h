#pragma once

#include <QMetaType>
#include <QString>

// The media description that media and movies hold as one record value (property dMedia), copied on every read and
// write.
struct mTypMediaInfo
{
    QString strMedia;
    QString strDVDType;
    QString strDVDRegion;
    QString strLDType;
    QString strDVDCase;

    friend bool operator==(const mTypMediaInfo&, const mTypMediaInfo&) = default;
};

Q_DECLARE_METATYPE(mTypMediaInfo)
