#pragma once

#include "mTypMediaInfo.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <array>

// The media description control without its window: the selection of its option groups and region boxes, the
// conversion between that selection and the five-string media record, which frames show for a medium, and the lock.
// Every option group may have nothing selected.

// The option groups. None is "no button of the group selected".
enum class MediaKind
{
    None,
    DVD,
    Laserdisc,
    VHS,
    DVHS,
    VCD,
    SVCD,
};
enum class DVDType
{
    None,
    DVD5,
    DVD9,
    DVD10,
    DVD18,
};
enum class LDType
{
    None,
    CAV,
    CLV,
};
// NoCase is the "None" button; None is no button selected. Both write the empty text.
enum class CaseType
{
    None,
    NoCase,
    Keepcase,
    Snapper,
    Jewel,
    Special,
};

// One option button: its control name, caption, the value it writes into the record and the upper-case texts that
// select it when a record is shown (compared with the record's text trimmed and upper-cased).
struct MediaOption
{
    int value;
    QString name;
    QString caption;
    QString written;
    QStringList recognised;
};

// The buttons of each group, left to right, which is also the order records are read and shown in.
const QList<MediaOption>& MediaKindOptions();
const QList<MediaOption>& DVDTypeOptions();
const QList<MediaOption>& LDTypeOptions();
const QList<MediaOption>& CaseOptions();
// The region boxes' names, "chkRegion1" to "chkRegion6".
QString RegionBoxName(int region);

// What the control shows.
struct MediaSelection
{
    MediaKind media = MediaKind::None;
    DVDType dvdType = DVDType::None;
    LDType ldType = LDType::None;
    CaseType dvdCase = CaseType::None;
    std::array<bool, 6> regions{}; // regions[0] is region 1

    friend bool operator==(const MediaSelection&, const MediaSelection&) = default;
};

// Which frames are visible: the DVD type, case and region frames for a DVD, the Laserdisc type frame for a
// Laserdisc. The media frame always shows.
struct MediaFrames
{
    bool dvdType = false;
    bool ldType = false;
    bool dvdCase = false;
    bool region = false;

    friend bool operator==(const MediaFrames&, const MediaFrames&) = default;
};

// Record to selection. Text outside the vocabulary selects nothing (the "None" case button for the case); region N is
// ticked when the region text holds the digit N anywhere.
MediaSelection ShowMediaInfo(const mTypMediaInfo& record);
// Selection to record: what each selected button writes, the ticked regions as ascending digits. Hidden groups keep
// their selection and are written too.
mTypMediaInfo ReadMediaInfo(const MediaSelection& selection);
MediaFrames UpdateFrames(const MediaSelection& selection);

// The control's state: its stored record, its selection and its lock. A fresh model is the control at creation.
class MediaInfoModel
{
public:
    const MediaSelection& Selection() const { return m_selection; }
    MediaFrames Frames() const { return UpdateFrames(m_selection); }

    // Copies the record in and shows it; the lock stays as it is.
    void setDMedia(const mTypMediaInfo& record);
    // Reads the selection into the stored record and returns a copy of it.
    mTypMediaInfo dMedia();

    // Locked disables every option button and region box; frames are not touched.
    void setLocked(bool locked) { m_locked = locked; }
    bool ButtonsEnabled() const { return !m_locked; }

    // A user's click on a button or box. True when the control raises Change afterwards (the "None" and "Jewel"
    // case buttons do not).
    bool ClickMedia(MediaKind media);
    bool ClickDVDType(DVDType type);
    bool ClickLDType(LDType type);
    bool ClickCase(CaseType dvdCase);
    bool ClickRegion(int region, bool ticked);

private:
    mTypMediaInfo m_record;
    MediaSelection m_selection;
    bool m_locked = false;
};
