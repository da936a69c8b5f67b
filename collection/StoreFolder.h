#pragma once

#include <QString>

// Where the collection lives, decided before anything touches the folder: the default folder of a first start is
// created without a question; another folder that does not exist (a typo, an unplugged disk) is created only after the
// user agreed.
namespace StoreFolder {

enum class State
{
    Ready,         // a folder: open it
    CreateDefault, // the default folder, missing: create it without asking
    Ask,           // another folder, missing: ask AskText; on No end the program and create nothing
    Unusable,      // something that is not a folder lies there: no collection can be opened there
};

// The state of dbPath; defaultPath is the folder a first start uses (Registry::DefaultDBPath()).
State Check(const QString& dbPath, const QString& defaultPath);
// Creates dbPath with every missing folder above it and the five kind folders, each synced into its parent. True
// when the store is ready.
bool Create(const QString& dbPath);
// "The collection folder <dbPath> does not exist. Create a new, empty collection there?"
QString AskText(const QString& dbPath);

} // namespace StoreFolder
