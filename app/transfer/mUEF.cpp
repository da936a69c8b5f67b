#include "transfer/mUEF.h"

#include "core/Collections.h"
#include "core/mGeneral.h"
#include "core/mGlobals.h"
#include "core/mLog.h"

#include "AnsiText.h"
#include "CBoxes.h"
#include "CMedias.h"
#include "CMovies.h"
#include "SafeFile.h"
#include "UEF.h"
#include "UEFBox.h"
#include "UEFMedia.h"
#include "UEFMovie.h"
#include "UEFParser.h"

#include <QUrl>

#include <algorithm>
#include <optional>

QString ReadFileText(const QString& strPath)
{
    return AnsiText::ReadFile(strPath);
}

bool WriteFileText(const QString& strPath, const QString& strData)
{
    return AnsiText::WriteFile(strPath, strData);
}

namespace {

// The cover of one side as the exchange carries it: bytes and extension, or the file's URL for the page view.
template <class Exchange> void ExportCovers(const CCoveredItem& item, Exchange& out, bool blnEmbed)
{
    const QString front = item.strFrontCover();
    const QString back = item.strBackCover();
    const QString folder = item.Path() + u'/';
    if (blnEmbed) {
        if (!front.isEmpty()) {
            out.setStrFrontCover(ReadFileText(folder + front));
            out.setStrFrontCoverExt(GetExtension(front));
        }
        if (!back.isEmpty()) {
            out.setStrBackCover(ReadFileText(folder + back));
            out.setStrBackCoverExt(GetExtension(back));
        }
        return;
    }
    // Encoded, so a store path holding "#", "%", "?" or a blank still names the file.
    if (!front.isEmpty()) {
        out.setStrFrontCoverURL(QUrl::fromLocalFile(folder + front).toString(QUrl::FullyEncoded));
    }
    if (!back.isEmpty()) {
        out.setStrBackCoverURL(QUrl::fromLocalFile(folder + back).toString(QUrl::FullyEncoded));
    }
}

void SetMediaFields(UEFMovie& out, const mTypMediaInfo& media)
{
    out.setStrMedia(media.strMedia);
    out.setStrDVDType(media.strDVDType);
    out.setStrDVDRegion(media.strDVDRegion);
    out.setStrLDType(media.strLDType);
    out.setStrDVDCase(media.strDVDCase);
}

template <class Exchange> mTypMediaInfo MediaFieldsOf(const Exchange& entry)
{
    return mTypMediaInfo{entry.strMedia(), entry.strDVDType(), entry.strDVDRegion(), entry.strLDType(),
                         entry.strDVDCase()};
}

// Parent type from the key's letter, parent id from the number after it (0 when it is none).
void ParentOf(const QString& strParentKey, int& parentType, int& parentID)
{
    parentType = KeyPrefixToType(strParentKey.left(1));
    bool ok = false;
    parentID = strParentKey.mid(1).toInt(&ok);
    if (!ok) {
        parentID = 0;
    }
}

// Writes an embedded cover to the temporary folder as <key><F|B>.<ext> and hands it to the item.
void ImportCover(CCoveredItem& item, const QString& newKey, bool front, const QString& bytes, const QString& ext)
{
    if (bytes.isEmpty() || !AnsiText::IsSafeExtension(ext) || gTempFolder.isEmpty()) {
        return;
    }
    const QString file = gTempFolder + u'/' + newKey + (front ? u'F' : u'B') + u'.' + ext;
    if (!WriteFileText(file, bytes)) {
        qCWarning(lcApp) << "an imported cover could not be written; the item keeps none:" << file;
        return;
    }
    if (front) {
        item.AddFrontCover(file);
    } else {
        item.AddBackCover(file);
    }
}

template <class Exchange> void ImportCovers(CCoveredItem& item, const QString& newKey, const Exchange& entry)
{
    ImportCover(item, newKey, true, entry.strFrontCover(), entry.strFrontCoverExt());
    ImportCover(item, newKey, false, entry.strBackCover(), entry.strBackCoverExt());
}

} // namespace

void ExportMovie(const QString& strKey, UEFCollection& colTarget, bool blnEmbed)
{
    auto out = std::make_shared<UEFMovie>();
    const auto movie = gMovies ? gMovies->Item(strKey) : nullptr;
    if (movie) {
        out->setStrTitle(movie->strTitle());
        out->setStrLabel(movie->strLabel());
        out->setStrSortKey(movie->strSortKey());
        out->setStrUPC(movie->strUPC());
        out->setStrSystem(movie->strSystem());
        out->setStrCountry(movie->strCountry());
        out->setStrYear(movie->strYear());
        out->setStrLength(movie->strLength());
        out->setStrStudio(movie->strStudio());
        out->setStrWebsite(movie->strWebsite());
        out->setStrPicture(movie->strPicture());
        // A movie on a medium is described by that medium, whatever its own record says.
        if (movie->lngParentType() == 4) {
            const auto media = Collections::ItemAs<CMedia>(Collections::ParentKey(strKey));
            SetMediaFields(*out, media ? media->dMedia() : mTypMediaInfo{});
        } else {
            SetMediaFields(*out, movie->dMedia());
        }
        out->setStrSoundmix(movie->strSoundmix());
        out->setStrSubtitles(movie->strSubtitles());
        out->setStrCast(movie->strCast());
        out->setStrWriter(movie->strWriter());
        out->setStrDirector(movie->strDirector());
        out->setStrProducer(movie->strProducer());
        out->setStrExtras(movie->strExtras());
        out->setStrSynopsis(movie->strSynopsis());
        out->setStrNotes(movie->strNotes());
        ExportCovers(*movie, *out, blnEmbed);
    }
    colTarget.Add(out);
}

void ExportMedia(const QString& strKey, UEFCollection& colTarget, bool blnEmbed)
{
    auto out = std::make_shared<UEFMedia>();
    const auto media = gMedias ? gMedias->Item(strKey) : nullptr;
    if (media) {
        out->setStrName(media->strName());
        out->setStrSortKey(media->strSortKey());
        out->setStrUPC(media->strUPC());
        const mTypMediaInfo info = media->dMedia();
        out->setStrMedia(info.strMedia);
        out->setStrDVDType(info.strDVDType);
        out->setStrDVDRegion(info.strDVDRegion);
        out->setStrLDType(info.strLDType);
        out->setStrDVDCase(info.strDVDCase);
        out->setStrExtras(media->strExtras());
        ExportCovers(*media, *out, blnEmbed);
    }
    for (const QString& k : Collections::Children(strKey)) {
        ExportMovie(k, *out->colContents(), blnEmbed);
    }
    colTarget.Add(out);
}

void ExportBox(const QString& strKey, UEFCollection& colTarget, bool blnEmbed)
{
    auto out = std::make_shared<UEFBox>();
    const auto box = gBoxes ? gBoxes->Item(strKey) : nullptr;
    if (box) {
        out->setStrName(box->strName());
        out->setStrSortKey(box->strSortKey());
        out->setStrUPC(box->strUPC());
        out->setStrExtras(box->strExtras());
        ExportCovers(*box, *out, blnEmbed);
    }
    for (const QString& k : Collections::Children(strKey)) {
        if (k.startsWith(u'E')) {
            ExportMedia(k, *out->colContents(), blnEmbed);
        } else if (k.startsWith(u'M')) {
            ExportMovie(k, *out->colContents(), blnEmbed);
        }
    }
    colTarget.Add(out);
}

std::shared_ptr<UEF> CreateUEF(const QString& strKey, bool blnEmbedCovers)
{
    auto document = std::make_shared<UEF>();
    const QChar letter = strKey.isEmpty() ? QChar() : strKey.at(0);
    if (letter == u'B') {
        ExportBox(strKey, *document->colUEF(), blnEmbedCovers);
    } else if (letter == u'E') {
        ExportMedia(strKey, *document->colUEF(), blnEmbedCovers);
    } else if (letter == u'M') {
        ExportMovie(strKey, *document->colUEF(), blnEmbedCovers);
    }
    return document;
}

QString ImportMovie(const UEFMovie& entry, const QString& strParentKey)
{
    int parentType = 0;
    int parentID = 0;
    ParentOf(strParentKey, parentType, parentID);
    if (!gMovies) {
        return {};
    }
    const QString newKey = gMovies->Add(entry.strTitle());
    const auto movie = newKey.isEmpty() ? nullptr : gMovies->Item(newKey);
    if (!movie) {
        return {};
    }
    movie->setStrTitle(entry.strTitle());
    movie->setStrLabel(entry.strLabel());
    movie->setStrSortKey(entry.strSortKey());
    movie->setStrUPC(entry.strUPC());
    movie->setStrSystem(entry.strSystem());
    movie->setStrCountry(entry.strCountry());
    movie->setStrYear(entry.strYear());
    movie->setStrLength(entry.strLength());
    movie->setStrStudio(entry.strStudio());
    movie->setStrWebsite(entry.strWebsite());
    movie->setStrPicture(entry.strPicture());
    movie->setDMedia(MediaFieldsOf(entry));
    movie->setStrSoundmix(entry.strSoundmix());
    movie->setStrSubtitles(entry.strSubtitles());
    movie->setStrCast(entry.strCast());
    movie->setStrWriter(entry.strWriter());
    movie->setStrProducer(entry.strProducer());
    movie->setStrDirector(entry.strDirector());
    movie->setStrExtras(entry.strExtras());
    movie->setStrSynopsis(entry.strSynopsis());
    movie->setStrNotes(entry.strNotes());
    movie->setLngParentID(parentID);
    movie->setLngParentType(parentType);
    ImportCovers(*movie, newKey, entry);
    gMovies->Update(newKey);
    return newKey;
}

QString ImportMedia(const UEFMedia& entry, const QString& strParentKey)
{
    int parentType = 0;
    int parentID = 0;
    ParentOf(strParentKey, parentType, parentID);
    if (!gMedias) {
        return {};
    }
    const QString newKey = gMedias->Add(entry.strName());
    const auto media = newKey.isEmpty() ? nullptr : gMedias->Item(newKey);
    if (!media) {
        return {};
    }
    media->setStrName(entry.strName());
    media->setStrSortKey(entry.strSortKey());
    media->setStrUPC(entry.strUPC());
    media->setDMedia(MediaFieldsOf(entry));
    media->setStrExtras(entry.strExtras());
    media->setLngParentID(parentID);
    media->setLngParentType(parentType);
    ImportCovers(*media, newKey, entry);
    gMedias->Update(newKey);

    // A medium holds movies only; anything else a hand-made text put there is skipped.
    const std::shared_ptr<UEFCollection> contents = entry.colContents();
    for (const std::shared_ptr<QObject>& child : *contents) {
        if (const auto* movie = qobject_cast<const UEFMovie*>(child.get())) {
            ImportMovie(*movie, newKey);
        }
    }
    return newKey;
}

QString ImportBox(const UEFBox& entry, const QString& strParentKey)
{
    int parentType = 0;
    int parentID = 0;
    ParentOf(strParentKey, parentType, parentID);
    if (!gBoxes) {
        return {};
    }
    const QString newKey = gBoxes->Add(entry.strName());
    const auto box = newKey.isEmpty() ? nullptr : gBoxes->Item(newKey);
    if (!box) {
        return {};
    }
    box->setStrName(entry.strName());
    box->setStrUPC(entry.strUPC());
    box->setStrSortKey(entry.strSortKey());
    box->setStrExtras(entry.strExtras());
    box->setLngParentID(parentID);
    box->setLngParentType(parentType);
    ImportCovers(*box, newKey, entry);
    gBoxes->Update(newKey);

    const std::shared_ptr<UEFCollection> contents = entry.colContents();
    for (const std::shared_ptr<QObject>& child : *contents) {
        if (const auto* movie = qobject_cast<const UEFMovie*>(child.get())) {
            ImportMovie(*movie, newKey);
        } else if (const auto* media = qobject_cast<const UEFMedia*>(child.get())) {
            ImportMedia(*media, newKey);
        }
    }
    return newKey;
}

namespace {

// The raw value of an item's last CONTENTS element, as the parser takes it.
std::optional<QStringView> ContentsOf(QStringView value)
{
    std::optional<QStringView> contents;
    qsizetype pos = 0;
    UEFParser::Element element;
    while (pos < value.size()) {
        if (UEFParser::NextTag(value, pos, element) && element.hasValue &&
            AnsiText::UCase(AnsiText::Trim(element.tag)) == u"CONTENTS") {
            contents = element.value;
        }
    }
    return contents;
}

// Walks the text as the parser does and counts the items it checks.
int CountChecked(QStringView text, bool topLevel, int depth)
{
    if (depth > UEFCollection::MaxDepth) {
        return 0;
    }
    int count = 0;
    qsizetype pos = 0;
    UEFParser::Element element;
    while (pos < text.size()) {
        if (!UEFParser::NextTag(text, pos, element) || !element.hasValue) {
            continue;
        }
        const QString tag = AnsiText::UCase(AnsiText::Trim(element.tag));
        const bool box = tag == u"BOX";
        const bool media = tag == u"MEDIA";
        if (box || ((media || tag == u"MOVIE") && topLevel)) {
            ++count;
        }
        if (box || media) {
            if (const std::optional<QStringView> contents = ContentsOf(element.value)) {
                count += CountChecked(*contents, false, depth + 1);
            }
        }
    }
    return count;
}

} // namespace

int CountCheckedItems(QStringView strUEF)
{
    return CountChecked(strUEF, true, 0);
}

int ImportUEF(const QString& strUEF, const QString& strParentKey, int* refused)
{
    if (refused) {
        *refused = 0;
    }
    if (strUEF.isEmpty()) {
        return 0;
    }
    UEF document;
    document.setStrUEF(strUEF);
    const std::shared_ptr<UEFCollection> items = document.colUEF();
    if (refused) {
        // Every checked item the parser kept is in the document; the others were refused.
        *refused = std::max(0, CountCheckedItems(strUEF) - items->Count());
    }
    // Every file an import writes is new: one sync of the store at the end instead of one per file and folder.
    SafeFile::Batch batch;
    int added = 0;
    for (const std::shared_ptr<QObject>& entry : *items) {
        QString newKey;
        if (const auto* movie = qobject_cast<const UEFMovie*>(entry.get())) {
            newKey = ImportMovie(*movie, strParentKey);
        } else if (const auto* media = qobject_cast<const UEFMedia*>(entry.get())) {
            newKey = ImportMedia(*media, strParentKey);
        } else if (const auto* box = qobject_cast<const UEFBox*>(entry.get())) {
            newKey = ImportBox(*box, strParentKey);
        }
        if (!newKey.isEmpty()) {
            ++added;
        } else {
            qCWarning(lcApp) << "an exchange entry could not be added under" << strParentKey;
        }
    }
    if (!batch.Commit()) {
        qCWarning(lcApp) << "the imported items could not be synced to disk";
    }
    return added;
}
