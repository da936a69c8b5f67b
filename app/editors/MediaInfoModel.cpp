#include "editors/MediaInfoModel.h"

#include "AnsiText.h"

#include <utility>

namespace {

MediaOption Option(auto value, const char* name, const char* caption, const char* written, QStringList recognised)
{
    return MediaOption{int(value), QString::fromLatin1(name), QString::fromLatin1(caption),
                       QString::fromLatin1(written), std::move(recognised)};
}

// The button of options whose recognised texts hold the record's text, or none.
int Recognise(const QList<MediaOption>& options, const QString& text, int none)
{
    const QString key = AnsiText::UCase(AnsiText::Trim(text));
    for (const MediaOption& option : options) {
        if (option.recognised.contains(key)) {
            return option.value;
        }
    }
    return none;
}

QString Written(const QList<MediaOption>& options, int value)
{
    for (const MediaOption& option : options) {
        if (option.value == value) {
            return option.written;
        }
    }
    return {};
}

} // namespace

const QList<MediaOption>& MediaKindOptions()
{
    static const QList<MediaOption> options{
        Option(MediaKind::DVD, "optDVD", "DVD", "DVD", {QStringLiteral("DVD")}),
        Option(MediaKind::Laserdisc, "optLD", "Laserdisc", "Laserdisc",
               {QStringLiteral("LD"), QStringLiteral("LASERDISC")}),
        Option(MediaKind::VHS, "optVHS", "VHS", "VHS", {QStringLiteral("VHS")}),
        Option(MediaKind::DVHS, "optDVHS", "DVHS", "DVHS", {QStringLiteral("DVHS"), QStringLiteral("D-VHS")}),
        Option(MediaKind::VCD, "optVCD", "VCD", "VCD", {QStringLiteral("VCD"), QStringLiteral("VIDEO CD")}),
        Option(MediaKind::SVCD, "optSVCD", "SVCD", "SVCD",
               {QStringLiteral("S-VCD"), QStringLiteral("SVCD"), QStringLiteral("SUPER VCD")}),
    };
    return options;
}

const QList<MediaOption>& DVDTypeOptions()
{
    static const QList<MediaOption> options{
        Option(DVDType::DVD5, "optDVD5", "DVD-5", "DVD-5", {QStringLiteral("DVD-5")}),
        Option(DVDType::DVD9, "optDVD9", "DVD-9", "DVD-9", {QStringLiteral("DVD-9")}),
        Option(DVDType::DVD10, "optDVD10", "DVD-10", "DVD-10", {QStringLiteral("DVD-10")}),
        Option(DVDType::DVD18, "optDVD18", "DVD-18 (14)", "DVD-18", {QStringLiteral("DVD-18")}),
    };
    return options;
}

const QList<MediaOption>& LDTypeOptions()
{
    static const QList<MediaOption> options{
        Option(LDType::CAV, "optLDCAV", "CAV", "CAV", {QStringLiteral("CAV")}),
        Option(LDType::CLV, "optLDCLV", "CLV", "CLV", {QStringLiteral("CLV")}),
    };
    return options;
}

const QList<MediaOption>& CaseOptions()
{
    // The "None" button writes nothing and is what any other text shows as.
    static const QList<MediaOption> options{
        Option(CaseType::NoCase, "optNoCase", "None", "", {}),
        Option(CaseType::Keepcase, "optKeepCase", "Keepcase", "Keepcase", {QStringLiteral("KEEPCASE")}),
        Option(CaseType::Snapper, "optSnapperCase", "Snapper", "Snapper", {QStringLiteral("SNAPPER")}),
        Option(CaseType::Jewel, "optJewelCase", "Jewel", "Jewel", {QStringLiteral("JEWEL")}),
        Option(CaseType::Special, "optSpecialCase", "Special", "Special", {QStringLiteral("SPECIAL")}),
    };
    return options;
}

QString RegionBoxName(int region)
{
    return QStringLiteral("chkRegion%1").arg(region);
}

MediaSelection ShowMediaInfo(const mTypMediaInfo& record)
{
    MediaSelection selection;
    selection.media = MediaKind(Recognise(MediaKindOptions(), record.strMedia, int(MediaKind::None)));
    selection.dvdType = DVDType(Recognise(DVDTypeOptions(), record.strDVDType, int(DVDType::None)));
    selection.dvdCase = CaseType(Recognise(CaseOptions(), record.strDVDCase, int(CaseType::NoCase)));
    selection.ldType = LDType(Recognise(LDTypeOptions(), record.strLDType, int(LDType::None)));
    for (int n = 1; n <= 6; ++n) {
        selection.regions[n - 1] = record.strDVDRegion.contains(QChar(u'0' + n));
    }
    return selection;
}

mTypMediaInfo ReadMediaInfo(const MediaSelection& selection)
{
    mTypMediaInfo record;
    record.strMedia = Written(MediaKindOptions(), int(selection.media));
    record.strDVDType = Written(DVDTypeOptions(), int(selection.dvdType));
    record.strLDType = Written(LDTypeOptions(), int(selection.ldType));
    record.strDVDCase = Written(CaseOptions(), int(selection.dvdCase));
    for (int n = 1; n <= 6; ++n) {
        if (selection.regions[n - 1]) {
            record.strDVDRegion += QChar(u'0' + n);
        }
    }
    return record;
}

MediaFrames UpdateFrames(const MediaSelection& selection)
{
    const bool dvd = selection.media == MediaKind::DVD;
    return MediaFrames{dvd, selection.media == MediaKind::Laserdisc, dvd, dvd};
}

void MediaInfoModel::setDMedia(const mTypMediaInfo& record)
{
    m_record = record;
    m_selection = ShowMediaInfo(m_record);
}

mTypMediaInfo MediaInfoModel::dMedia()
{
    m_record = ReadMediaInfo(m_selection);
    return m_record;
}

bool MediaInfoModel::ClickMedia(MediaKind media)
{
    m_selection.media = media;
    return media != MediaKind::None;
}

bool MediaInfoModel::ClickDVDType(DVDType type)
{
    m_selection.dvdType = type;
    return type != DVDType::None;
}

bool MediaInfoModel::ClickLDType(LDType type)
{
    m_selection.ldType = type;
    return type != LDType::None;
}

bool MediaInfoModel::ClickCase(CaseType dvdCase)
{
    m_selection.dvdCase = dvdCase;
    return dvdCase != CaseType::None && dvdCase != CaseType::NoCase && dvdCase != CaseType::Jewel;
}

bool MediaInfoModel::ClickRegion(int region, bool ticked)
{
    if (region < 1 || region > 6) {
        return false;
    }
    m_selection.regions[size_t(region - 1)] = ticked;
    return true;
}
