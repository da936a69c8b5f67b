#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class CMedia;
class CMovie;

// What the add-box and add-media commands ask beyond the item editors: the titles of the new items, the fields
// common to them, and the plain messages that announce each template. Every call is modal; the tests answer with a
// fake.
class ItemWorkshops
{
public:
    virtual ~ItemWorkshops() = default;

    // GetEpisodeList of the box-set workshop: the title lines followed by the division ("1" when the box holds no
    // separate discs or tapes); none after Cancel or the close box.
    virtual std::optional<QStringList> GetBoxEpisodeList() = 0;
    // GetEpisodeList of the media workshop: the title lines; none after Cancel or the close box.
    virtual std::optional<QStringList> GetMediaEpisodeList() = 0;
    // MakeTemplate of the media and of the movie editor: a free-standing item holding the common fields, never
    // added or stored; null after Cancel.
    virtual std::unique_ptr<CMedia> MakeMediaTemplate() = 0;
    virtual std::unique_ptr<CMovie> MakeMovieTemplate() = 0;
    // A plain message under the program's title: no icon, only OK.
    virtual void ShowMessage(const QString& message) = 0;
    // The busy pointer while the items are created; questions asked meanwhile still get the arrow.
    virtual void SetBusy(bool busy) { (void)busy; }
};
