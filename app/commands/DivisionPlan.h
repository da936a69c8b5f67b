#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// Which items the add-box and add-media commands create from the workshop's title lines, in which containers and
// with which names and sort keys, worked out before anything is stored.

// One movie to create: the title line it takes (index into the title list) and its sort key, its number in its
// container written with leading zeros.
struct PlannedMovie
{
    qsizetype line = 0;
    QString strSortKey;

    friend bool operator==(const PlannedMovie&, const PlannedMovie&) = default;
};

// One container of a box set: the box itself (division "1") or a new medium in it, with the movies it receives.
struct PlannedContainer
{
    bool blnBox = false;
    QString strName; // a medium's name; empty for the box
    QString strSortKey;
    QVector<PlannedMovie> movies;
};

struct BoxPlan
{
    // Why nothing can be created ("Illegal characters!", the sum message), or empty.
    QString refusal;
    // True when the movies go straight into the box and no medium is made.
    bool blnDirect = false;
    QVector<PlannedContainer> containers;

    int MovieCount() const;
};

// A number written with leading zeros to digits characters; a longer number stays whole.
QString LeadingZeros(qint64 number, int digits);
// The prefix of generated media names by the media template's kind, compared exactly: "Disc " for "DVD", "LD" and
// "VCD", "Tape " for "VHS" and "S-VHS", "Media " for anything else.
QString MediaNamePrefix(const QString& strMedia);

// The plan of a box set: titles are the workshop's title lines, division its last element, strMedia the media
// template's kind. Division "1" puts every title straight into the box. Otherwise each part of the division is one
// medium, named by the prefix and its number with as many digits as there are parts, holding the next that many
// titles, numbered from 1 with as many digits as the part has characters; a single part holds every title. Every part
// must be a whole count from 0 to 999 (an empty last part counts 0 and makes no medium), there are at most 999 parts,
// and several parts must add up to the number of titles: otherwise the plan is refused and nothing is made, so no
// title past the list is ever read.
BoxPlan PlanBox(const QStringList& titles, const QString& division, const QString& strMedia);

// The plan of a medium's movies: one per title, numbered from 0 with as many digits as the last number has.
QVector<PlannedMovie> PlanMedia(const QStringList& titles);
