#pragma once

#include "CCoveredItem.h"
#include "ItemFields.h"
#include "mTypMediaInfo.h"

#include <array>
#include <cstddef>

// A movie: its fields, its class and the table of how its record and exchange text keep each field.

// The movie's fields, in the order its record writes them (the notes and synopsis last: they have files of their
// own), as CMovie::Fields() lists them.
enum class MovieField
{
    ID,
    Title,
    Label,
    SortKey,
    UPC,
    Media,
    DVDRegion,
    DVDType,
    DVDCase,
    LDType,
    Picture,
    Audio, // the spoken languages with their sound
    Subtitles,
    System,
    Country,
    Year,
    Length,
    Studio,
    Website,
    Extras,
    Writer,
    Director,
    Producer,
    Cast,
    ParentType,
    ParentID,
    Notes,
    Synopsis,
    Count
};

// A movie or an episode. Its notes and synopsis live in "Notes.txt" and "Synopsis.txt" beside the record; its covers
// are looked up on first read.
class CMovie : public CCoveredItem
{
    Q_OBJECT
    Q_PROPERTY(QString strSubtitles READ strSubtitles WRITE setStrSubtitles)
    Q_PROPERTY(QString strWriter READ strWriter WRITE setStrWriter)
    Q_PROPERTY(QString strDirector READ strDirector WRITE setStrDirector)
    Q_PROPERTY(QString strProducer READ strProducer WRITE setStrProducer)
    Q_PROPERTY(QString strCast READ strCast WRITE setStrCast)
    Q_PROPERTY(QString strSoundmix READ strSoundmix WRITE setStrSoundmix)
    Q_PROPERTY(QString strUPC READ strUPC WRITE setStrUPC)
    Q_PROPERTY(QString strCountry READ strCountry WRITE setStrCountry)
    Q_PROPERTY(QString strYear READ strYear WRITE setStrYear)
    Q_PROPERTY(QString strTitle READ strTitle WRITE setStrTitle)
    Q_PROPERTY(QString strLabel READ strLabel WRITE setStrLabel)
    Q_PROPERTY(mTypMediaInfo dMedia READ dMedia WRITE setDMedia)
    Q_PROPERTY(QString strLength READ strLength WRITE setStrLength)
    Q_PROPERTY(QString strWebsite READ strWebsite WRITE setStrWebsite)
    Q_PROPERTY(QString strNotes READ strNotes WRITE setStrNotes)
    Q_PROPERTY(QString strSynopsis READ strSynopsis WRITE setStrSynopsis)
    Q_PROPERTY(QString strPicture READ strPicture WRITE setStrPicture)
    Q_PROPERTY(QString strExtras READ strExtras WRITE setStrExtras)
    Q_PROPERTY(QString strSystem READ strSystem WRITE setStrSystem)
    Q_PROPERTY(QString strStudio READ strStudio WRITE setStrStudio)
    Q_PROPERTY(int lngParentID READ lngParentID WRITE setLngParentID)
    Q_PROPERTY(int lngParentType READ lngParentType WRITE setLngParentType)

public:
    explicit CMovie(QObject* parent = nullptr);

    static constexpr ItemKind kKind = ItemKind::Movie;
    ItemKind Kind() const override { return kKind; }
    QString DisplayName() const override { return m_strTitle; }
    void setDisplayName(const QString& value) override { m_strTitle = value; }

    QString strSubtitles() const { return m_strSubtitles; }
    void setStrSubtitles(const QString& value) { m_strSubtitles = value; }
    QString strWriter() const { return m_strWriter; }
    void setStrWriter(const QString& value) { m_strWriter = value; }
    QString strDirector() const { return m_strDirector; }
    void setStrDirector(const QString& value) { m_strDirector = value; }
    QString strProducer() const { return m_strProducer; }
    void setStrProducer(const QString& value) { m_strProducer = value; }
    QString strCast() const { return m_strCast; }
    void setStrCast(const QString& value) { m_strCast = value; }
    QString strSoundmix() const { return m_strSoundmix; }
    void setStrSoundmix(const QString& value) { m_strSoundmix = value; }
    QString strUPC() const { return m_strUPC; }
    void setStrUPC(const QString& value) { m_strUPC = value; }
    QString strCountry() const { return m_strCountry; }
    void setStrCountry(const QString& value) { m_strCountry = value; }
    QString strYear() const { return m_strYear; }
    // Keeps the first four characters.
    void setStrYear(const QString& value);
    QString strTitle() const { return m_strTitle; }
    void setStrTitle(const QString& value) { m_strTitle = value; }
    QString strLabel() const { return m_strLabel; }
    void setStrLabel(const QString& value) { m_strLabel = value; }
    mTypMediaInfo dMedia() const { return m_dMedia; }
    void setDMedia(const mTypMediaInfo& value) { m_dMedia = value; }
    QString strLength() const { return m_strLength; }
    void setStrLength(const QString& value) { m_strLength = value; }
    QString strWebsite() const { return m_strWebsite; }
    void setStrWebsite(const QString& value) { m_strWebsite = value; }
    QString strNotes() const { return m_strNotes; }
    // Drops every trailing CR LF pair.
    void setStrNotes(const QString& value);
    QString strSynopsis() const { return m_strSynopsis; }
    // Drops every trailing CR LF pair.
    void setStrSynopsis(const QString& value);
    QString strPicture() const { return m_strPicture; }
    void setStrPicture(const QString& value) { m_strPicture = value; }
    QString strExtras() const { return m_strExtras; }
    void setStrExtras(const QString& value) { m_strExtras = value; }
    QString strSystem() const { return m_strSystem; }
    void setStrSystem(const QString& value) { m_strSystem = value; }
    QString strStudio() const { return m_strStudio; }
    void setStrStudio(const QString& value) { m_strStudio = value; }
    int lngParentID() const { return m_lngParentID; }
    void setLngParentID(int value) { m_lngParentID = value; }
    int lngParentType() const { return m_lngParentType; }
    void setLngParentType(int value) { m_lngParentType = value; }

    // The movie's fields in MovieField order; a template gives the sixteen that several movies share.
    static constexpr std::span<const ItemField<CMovie>> Fields();

private:
    QString m_strSubtitles;
    QString m_strWriter;
    QString m_strDirector;
    QString m_strProducer;
    QString m_strCast;
    QString m_strSoundmix;
    QString m_strUPC;
    QString m_strCountry;
    QString m_strYear;
    QString m_strTitle;
    QString m_strLabel;
    mTypMediaInfo m_dMedia;
    QString m_strLength;
    QString m_strWebsite;
    QString m_strNotes;
    QString m_strSynopsis;
    QString m_strPicture;
    QString m_strExtras;
    QString m_strSystem;
    QString m_strStudio;
    int m_lngParentID = 0;
    int m_lngParentType = 0;
};

namespace ItemFieldTables {
inline constexpr auto kMovie = [] {
    using F = FieldMaker<CMovie>;
    using enum MovieField;
    constexpr bool common = F::kCommon;
    std::array<ItemField<CMovie>, size_t(Count)> fields{};
    const auto set = [&fields](MovieField id, const ItemField<CMovie>& field) { fields[size_t(id)] = field; };
    using enum PagePart;
    set(ID, F::Number<&CItem::lngID, &CItem::setLngID>("ID"));
    set(Title, F::Line<&CMovie::strTitle, &CMovie::setStrTitle>("TITLE", "TITLE").Shown("&Title"));
    set(Label, F::Line<&CMovie::strLabel, &CMovie::setStrLabel>("LABEL", "LABEL").Shown("La&bel", Head, 1));
    set(SortKey, F::Line<&CItem::strSortKey, &CItem::setStrSortKey>("SORTKEY", "SORTINDEX").Shown("Sorting"));
    set(UPC, F::Line<&CMovie::strUPC, &CMovie::setStrUPC>("UPC", "UPC").Shown("UPC/EAN", Head, 2, "UPC / EAN:"));
    // The description is the media block's, shared with the media; the editor shows it under its own names.
    set(Media, F::Media<&mTypMediaInfo::strMedia>("MEDIA", "MEDIA").Shown(nullptr, Head, 3, "Media:"));
    set(DVDRegion,
        F::Media<&mTypMediaInfo::strDVDRegion>("DVDREGION", "DVDREGION").Shown(nullptr, Head, 4, "DVD region:"));
    set(DVDType, F::Media<&mTypMediaInfo::strDVDType>("DVDTYPE", "DVDTYPE").Shown(nullptr, Head, 5, "DVD type:"));
    set(DVDCase, F::Media<&mTypMediaInfo::strDVDCase>("DVDCASE", "DVDCASE").Shown(nullptr, Head, 7, "DVD case:"));
    set(LDType, F::Media<&mTypMediaInfo::strLDType>("LDTYPE", "LDTYPE").Shown(nullptr, Head, 6, "LD type:"));
    set(Picture, F::Lines<&CMovie::strPicture, &CMovie::setStrPicture>("PICTURE", "PICTURE", common)
                     .Shown("Picture formats", Head, 9, "Video:"));
    set(Audio, F::Lines<&CMovie::strSoundmix, &CMovie::setStrSoundmix>("SOUNDMIX", "SOUNDMIX", common)
                   .Shown("Spoken languages", Head, 10, "Audio:"));
    set(Subtitles, F::Lines<&CMovie::strSubtitles, &CMovie::setStrSubtitles>("SUBTITLES", "SUBTITLES", common)
                       .Shown("Subtitles", Head, 11));
    set(System,
        F::Line<&CMovie::strSystem, &CMovie::setStrSystem>("COLORSYSTEM", "SYSTEM", common).Shown("System", Head, 8));
    set(Country, F::Line<&CMovie::strCountry, &CMovie::setStrCountry>("COUNTRY", "COUNTRY", common)
                     .Shown("Country", Details, 1));
    set(Year, F::Line<&CMovie::strYear, &CMovie::setStrYear>("YEAR", "YEAR", common).Shown("Year", Details, 2));
    set(Length,
        F::Line<&CMovie::strLength, &CMovie::setStrLength>("LENGTH", "LENGTH", common).Shown("Length", Details, 3));
    set(Studio,
        F::Line<&CMovie::strStudio, &CMovie::setStrStudio>("STUDIO", "STUDIO", common).Shown("Studio", Details, 4));
    set(Website, F::Line<&CMovie::strWebsite, &CMovie::setStrWebsite>("WEBSITE", "WEBSITE", common)
                     .Shown("Website", Details, 5));
    set(Extras,
        F::Lines<&CMovie::strExtras, &CMovie::setStrExtras>("EXTRAS", "EXTRAS", common).Shown("E&xtras", Details, 6));
    set(Writer, F::Lines<&CMovie::strWriter, &CMovie::setStrWriter>("WRITER", "WRITER", common)
                    .Shown("Writer", People, 1, "Writer(s):"));
    set(Director, F::Lines<&CMovie::strDirector, &CMovie::setStrDirector>("DIRECTOR", "DIRECTOR", common)
                      .Shown("Director", People, 2, "Director(s):"));
    set(Producer, F::Lines<&CMovie::strProducer, &CMovie::setStrProducer>("PRODUCER", "PRODUCER", common)
                      .Shown("Producer", People, 3, "Producer(s):"));
    set(Cast, F::Lines<&CMovie::strCast, &CMovie::setStrCast>("CAST", "CAST", common).Shown("C&ast", People, 4));
    set(ParentType, F::Number<&CMovie::lngParentType, &CMovie::setLngParentType>("PARENTTYPE"));
    set(ParentID, F::Number<&CMovie::lngParentID, &CMovie::setLngParentID>("PARENTID"));
    set(Notes,
        F::File<&CMovie::strNotes, &CMovie::setStrNotes>("Notes.txt", "NOTES", common).Shown("&Notes", Story, 2));
    set(Synopsis, F::File<&CMovie::strSynopsis, &CMovie::setStrSynopsis>("Synopsis.txt", "SYNOPSIS", common)
                      .Shown("&Synopsis", Story, 1));
    for (const ItemField<CMovie>& field : fields) {
        if (!field.key) {
            throw "every MovieField needs its entry";
        }
        // The editor shows every text field but the description's by its caption, and checks it by that name.
        if (field.text && !field.media && !field.caption) {
            throw "every text field the editor shows needs its caption";
        }
        if (field.pagePart != PagePart::None && !field.pageLabel && !field.caption) {
            throw "every field the page shows needs its label";
        }
    }
    return fields;
}();
} // namespace ItemFieldTables

constexpr std::span<const ItemField<CMovie>> CMovie::Fields()
{
    return ItemFieldTables::kMovie;
}
