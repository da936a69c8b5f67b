#pragma once

#include <QString>
#include <QStringView>

// The markup pieces of an item page: the frame of one item, its field rows, foldable sections, the script that
// folds them and the display form of a product code. Only CHTML composes pages from them; the header sits beside
// the library's sources so its tests can check each piece's exact text.
//
// Arguments are inserted as they are given: the pieces take markup. Text that comes from an item goes through
// ItemText first, in CHTML, where the item's fields are read.
namespace HTMLFuncs {

// Module state, one copy per thread; empty until InitModule runs (every new CHTML runs it).
extern thread_local QString strRowColor[2];
extern thread_local QString strLabelColor;
extern thread_local QString strTitleColor;
extern thread_local QString strHoverColor;
extern thread_local QString strTitleClass;
extern thread_local QString strDataClass;
// The id a clickable title or heading shares with the element it folds; grows for as long as the library is
// loaded, so ids never repeat between pages.
extern thread_local qint32 lngBlockID;

// Assigns the colours and class names.
void InitModule();
// Moves lngBlockID on by one; after the largest 32-bit value it starts again at 0 rather than going negative.
void NextBlock();

// The opening of one item: title bar, cover cell and the start of the field table. Advances lngBlockID.
QString BeginDoc(const QString& strHeader, const QString& strFrontCover, const QString& strBackCover,
                 const QString& strWidth, bool blSmallCover);
// One label/value row; lngColor picks the value cell's background (anything but 1 counts as 0).
QString ItemDoc(const QString& strHeader, const QString& strData, qint32 lngColor);
// The clickable heading of section lngBlockID.
QString DividerDoc(const QString& strHeader);
// The opening of section lngBlockID, hidden when blClosed.
QString BlockStart(bool blClosed);
QString BlockEnd();
// The closing of one item.
QString EndDoc();
// The script block that folds sections.
QString JavaCode();
// A code of 12 or 13 ASCII digits in its grouped display form; any other text unchanged.
QString NiceUPC(const QString& strUPC);

// Item text made safe as element content and as a double-quoted attribute value: & < > and " become entities.
QString ItemText(const QString& text);

} // namespace HTMLFuncs
