#pragma once

#include <QString>

// The dialogs the item commands open, behind one face so that the commands run without a window (the tests answer
// them with a fake). Every call is modal: it returns once the user has answered.
class ItemEditors
{
public:
    virtual ~ItemEditors() = default;

    // The Edit* procedures take an item's key, or "" for a new item, and return the key of the item saved after OK.
    // After Cancel, or when the store refused the save, the movie editor returns "" and the others the key they were
    // given ("" for a new item). The *Parent procedures only remember the item to offer as the new item's parent.
    virtual QString EditCategory(const QString& strKey) = 0;
    virtual void GroupParent(const QString& strKey) = 0;
    virtual QString EditGroup(const QString& strKey) = 0;
    virtual void BoxParent(const QString& strKey) = 0;
    virtual QString EditBox(const QString& strKey) = 0;
    virtual void MediaParent(const QString& strKey) = 0;
    virtual QString EditMedia(const QString& strKey) = 0;
    virtual void MovieParent(const QString& strKey) = 0;
    virtual QString EditMovie(const QString& strKey) = 0;

    // A question under the program's title with Yes (the default) and No; true for Yes.
    virtual bool AskYesNo(const QString& question) = 0;
    // A message under the program's title that the user closes with OK.
    virtual void ShowWarning(const QString& message) = 0;
};
