#pragma once

#include "UEFCoveredItem.h"
#include "UEFFields.h"

#include <QObject>
#include <QString>

#include <array>

// One movie as plain text fields.
// Every text property is readable and writable by name as well (the viewer sets covers that way).
class UEFMovie : public UEFCoveredItem
{
    Q_OBJECT
    Q_PROPERTY(QString strMedia READ strMedia WRITE setStrMedia)
    Q_PROPERTY(QString strDVDCase READ strDVDCase WRITE setStrDVDCase)
    Q_PROPERTY(QString strLDType READ strLDType WRITE setStrLDType)
    Q_PROPERTY(QString strDVDType READ strDVDType WRITE setStrDVDType)
    Q_PROPERTY(QString strDVDRegion READ strDVDRegion WRITE setStrDVDRegion)
    Q_PROPERTY(QString strSubtitles READ strSubtitles WRITE setStrSubtitles)
    Q_PROPERTY(QString strWriter READ strWriter WRITE setStrWriter)
    Q_PROPERTY(QString strDirector READ strDirector WRITE setStrDirector)
    Q_PROPERTY(QString strProducer READ strProducer WRITE setStrProducer)
    Q_PROPERTY(QString strCast READ strCast WRITE setStrCast)
    Q_PROPERTY(QString strSoundmix READ strSoundmix WRITE setStrSoundmix)
    Q_PROPERTY(QString strUPC READ strUPC WRITE setStrUPC)
    Q_PROPERTY(QString strSortKey READ strSortKey WRITE setStrSortKey)
    Q_PROPERTY(QString strCountry READ strCountry WRITE setStrCountry)
    Q_PROPERTY(QString strYear READ strYear WRITE setStrYear)
    Q_PROPERTY(QString strTitle READ strTitle WRITE setStrTitle)
    Q_PROPERTY(QString strLabel READ strLabel WRITE setStrLabel)
    Q_PROPERTY(QString strLength READ strLength WRITE setStrLength)
    Q_PROPERTY(QString strWebsite READ strWebsite WRITE setStrWebsite)
    Q_PROPERTY(QString strNotes READ strNotes WRITE setStrNotes)
    Q_PROPERTY(QString strSynopsis READ strSynopsis WRITE setStrSynopsis)
    Q_PROPERTY(QString strPicture READ strPicture WRITE setStrPicture)
    Q_PROPERTY(QString strExtras READ strExtras WRITE setStrExtras)
    Q_PROPERTY(QString strSystem READ strSystem WRITE setStrSystem)
    Q_PROPERTY(QString strStudio READ strStudio WRITE setStrStudio)

public:
    explicit UEFMovie(QObject* parent = nullptr);

    const QString& strMedia() const { return m_strMedia; }
    void setStrMedia(const QString& value) { m_strMedia = value; }
    const QString& strDVDCase() const { return m_strDVDCase; }
    void setStrDVDCase(const QString& value) { m_strDVDCase = value; }
    const QString& strLDType() const { return m_strLDType; }
    void setStrLDType(const QString& value) { m_strLDType = value; }
    const QString& strDVDType() const { return m_strDVDType; }
    void setStrDVDType(const QString& value) { m_strDVDType = value; }
    const QString& strDVDRegion() const { return m_strDVDRegion; }
    void setStrDVDRegion(const QString& value) { m_strDVDRegion = value; }
    const QString& strSubtitles() const { return m_strSubtitles; }
    void setStrSubtitles(const QString& value) { m_strSubtitles = value; }
    const QString& strWriter() const { return m_strWriter; }
    void setStrWriter(const QString& value) { m_strWriter = value; }
    const QString& strDirector() const { return m_strDirector; }
    void setStrDirector(const QString& value) { m_strDirector = value; }
    const QString& strProducer() const { return m_strProducer; }
    void setStrProducer(const QString& value) { m_strProducer = value; }
    const QString& strCast() const { return m_strCast; }
    void setStrCast(const QString& value) { m_strCast = value; }
    const QString& strSoundmix() const { return m_strSoundmix; }
    void setStrSoundmix(const QString& value) { m_strSoundmix = value; }
    const QString& strUPC() const { return m_strUPC; }
    void setStrUPC(const QString& value) { m_strUPC = value; }
    const QString& strSortKey() const { return m_strSortKey; }
    void setStrSortKey(const QString& value) { m_strSortKey = value; }
    const QString& strCountry() const { return m_strCountry; }
    void setStrCountry(const QString& value) { m_strCountry = value; }
    // Keeps the first four characters only.
    const QString& strYear() const { return m_strYear; }
    void setStrYear(const QString& value);
    const QString& strTitle() const { return m_strTitle; }
    void setStrTitle(const QString& value) { m_strTitle = value; }
    const QString& strLabel() const { return m_strLabel; }
    void setStrLabel(const QString& value) { m_strLabel = value; }
    const QString& strLength() const { return m_strLength; }
    void setStrLength(const QString& value) { m_strLength = value; }
    const QString& strWebsite() const { return m_strWebsite; }
    void setStrWebsite(const QString& value) { m_strWebsite = value; }
    // Drops trailing CR LF pairs.
    const QString& strNotes() const { return m_strNotes; }
    void setStrNotes(const QString& value);
    // Drops trailing CR LF pairs.
    const QString& strSynopsis() const { return m_strSynopsis; }
    void setStrSynopsis(const QString& value);
    const QString& strPicture() const { return m_strPicture; }
    void setStrPicture(const QString& value) { m_strPicture = value; }
    const QString& strExtras() const { return m_strExtras; }
    void setStrExtras(const QString& value) { m_strExtras = value; }
    const QString& strSystem() const { return m_strSystem; }
    void setStrSystem(const QString& value) { m_strSystem = value; }
    const QString& strStudio() const { return m_strStudio; }
    void setStrStudio(const QString& value) { m_strStudio = value; }

private:
    QString m_strMedia;
    QString m_strDVDCase;
    QString m_strLDType;
    QString m_strDVDType;
    QString m_strDVDRegion;
    QString m_strSubtitles;
    QString m_strWriter;
    QString m_strDirector;
    QString m_strProducer;
    QString m_strCast;
    QString m_strSoundmix;
    QString m_strUPC;
    QString m_strSortKey;
    QString m_strCountry;
    QString m_strYear;
    QString m_strTitle;
    QString m_strLabel;
    QString m_strLength;
    QString m_strWebsite;
    QString m_strNotes;
    QString m_strSynopsis;
    QString m_strPicture;
    QString m_strExtras;
    QString m_strSystem;
    QString m_strStudio;
};

// The text fields of a movie with their tags, in the order the writer puts them.
inline constexpr std::array<UEFField<UEFMovie>, 31> kMovieFields = {{
    {"TITLE", &UEFMovie::strTitle, &UEFMovie::setStrTitle},
    {"LABEL", &UEFMovie::strLabel, &UEFMovie::setStrLabel},
    {"SORTINDEX", &UEFMovie::strSortKey, &UEFMovie::setStrSortKey},
    {"UPC", &UEFMovie::strUPC, &UEFMovie::setStrUPC},
    {"COUNTRY", &UEFMovie::strCountry, &UEFMovie::setStrCountry},
    {"LENGTH", &UEFMovie::strLength, &UEFMovie::setStrLength},
    {"PICTURE", &UEFMovie::strPicture, &UEFMovie::setStrPicture},
    {"SOUNDMIX", &UEFMovie::strSoundmix, &UEFMovie::setStrSoundmix},
    {"STUDIO", &UEFMovie::strStudio, &UEFMovie::setStrStudio},
    {"SUBTITLES", &UEFMovie::strSubtitles, &UEFMovie::setStrSubtitles},
    {"SYSTEM", &UEFMovie::strSystem, &UEFMovie::setStrSystem},
    {"WEBSITE", &UEFMovie::strWebsite, &UEFMovie::setStrWebsite},
    {"YEAR", &UEFMovie::strYear, &UEFMovie::setStrYear},
    {"WRITER", &UEFMovie::strWriter, &UEFMovie::setStrWriter},
    {"DIRECTOR", &UEFMovie::strDirector, &UEFMovie::setStrDirector},
    {"PRODUCER", &UEFMovie::strProducer, &UEFMovie::setStrProducer},
    {"CAST", &UEFMovie::strCast, &UEFMovie::setStrCast},
    {"NOTES", &UEFMovie::strNotes, &UEFMovie::setStrNotes},
    {"SYNOPSIS", &UEFMovie::strSynopsis, &UEFMovie::setStrSynopsis},
    {"MEDIA", &UEFMovie::strMedia, &UEFMovie::setStrMedia},
    {"DVDTYPE", &UEFMovie::strDVDType, &UEFMovie::setStrDVDType},
    {"DVDREGION", &UEFMovie::strDVDRegion, &UEFMovie::setStrDVDRegion},
    {"DVDCASE", &UEFMovie::strDVDCase, &UEFMovie::setStrDVDCase},
    {"LDTYPE", &UEFMovie::strLDType, &UEFMovie::setStrLDType},
    {"EXTRAS", &UEFMovie::strExtras, &UEFMovie::setStrExtras},
    {"FRONTCOVER", &UEFMovie::strFrontCover, &UEFMovie::setStrFrontCover},
    {"FRONTCOVEREXT", &UEFMovie::strFrontCoverExt, &UEFMovie::setStrFrontCoverExt},
    {"FRONTCOVERURL", &UEFMovie::strFrontCoverURL, &UEFMovie::setStrFrontCoverURL},
    {"BACKCOVER", &UEFMovie::strBackCover, &UEFMovie::setStrBackCover},
    {"BACKCOVEREXT", &UEFMovie::strBackCoverExt, &UEFMovie::setStrBackCoverExt},
    {"BACKCOVERURL", &UEFMovie::strBackCoverURL, &UEFMovie::setStrBackCoverURL},
}};
