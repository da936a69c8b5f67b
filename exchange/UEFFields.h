#pragma once

#include "UEFBox.h"
#include "UEFMedia.h"
#include "UEFMovie.h"

#include <array>

// The text fields of each item kind with their exchange tags, in the order the writer puts them; the parser reads
// the same tags. Shared by the writer and the parser so the two can never disagree on a tag.
template <class T> struct UEFField
{
    const char* tag;
    const QString& (T::*get)() const;
    void (T::*set)(const QString&);
};

inline constexpr std::array<UEFField<UEFBox>, 10> kBoxFields = {{
    {"NAME", &UEFBox::strName, &UEFBox::setStrName},
    {"SORTINDEX", &UEFBox::strSortKey, &UEFBox::setStrSortKey},
    {"UPC", &UEFBox::strUPC, &UEFBox::setStrUPC},
    {"EXTRAS", &UEFBox::strExtras, &UEFBox::setStrExtras},
    {"FRONTCOVER", &UEFBox::strFrontCover, &UEFBox::setStrFrontCover},
    {"FRONTCOVEREXT", &UEFBox::strFrontCoverExt, &UEFBox::setStrFrontCoverExt},
    {"FRONTCOVERURL", &UEFBox::strFrontCoverURL, &UEFBox::setStrFrontCoverURL},
    {"BACKCOVER", &UEFBox::strBackCover, &UEFBox::setStrBackCover},
    {"BACKCOVEREXT", &UEFBox::strBackCoverExt, &UEFBox::setStrBackCoverExt},
    {"BACKCOVERURL", &UEFBox::strBackCoverURL, &UEFBox::setStrBackCoverURL},
}};

inline constexpr std::array<UEFField<UEFMedia>, 15> kMediaFields = {{
    {"NAME", &UEFMedia::strName, &UEFMedia::setStrName},
    {"SORTINDEX", &UEFMedia::strSortKey, &UEFMedia::setStrSortKey},
    {"UPC", &UEFMedia::strUPC, &UEFMedia::setStrUPC},
    {"MEDIA", &UEFMedia::strMedia, &UEFMedia::setStrMedia},
    {"DVDTYPE", &UEFMedia::strDVDType, &UEFMedia::setStrDVDType},
    {"DVDREGION", &UEFMedia::strDVDRegion, &UEFMedia::setStrDVDRegion},
    {"DVDCASE", &UEFMedia::strDVDCase, &UEFMedia::setStrDVDCase},
    {"LDTYPE", &UEFMedia::strLDType, &UEFMedia::setStrLDType},
    {"EXTRAS", &UEFMedia::strExtras, &UEFMedia::setStrExtras},
    {"FRONTCOVER", &UEFMedia::strFrontCover, &UEFMedia::setStrFrontCover},
    {"FRONTCOVEREXT", &UEFMedia::strFrontCoverExt, &UEFMedia::setStrFrontCoverExt},
    {"FRONTCOVERURL", &UEFMedia::strFrontCoverURL, &UEFMedia::setStrFrontCoverURL},
    {"BACKCOVER", &UEFMedia::strBackCover, &UEFMedia::setStrBackCover},
    {"BACKCOVEREXT", &UEFMedia::strBackCoverExt, &UEFMedia::setStrBackCoverExt},
    {"BACKCOVERURL", &UEFMedia::strBackCoverURL, &UEFMedia::setStrBackCoverURL},
}};

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
