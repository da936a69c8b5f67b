#pragma once

#include <QString>

#include <functional>

class StoreLock;

// Opening the store at start-up and at a reload, window-free: where the folder is missing it is created (the default
// folder without a question, another one only when the user agrees), and the store is locked against a second
// program before anything reads or creates a kind folder.
namespace StoreStart {

enum class Outcome
{
    Opened,     // the folder exists and the lock is ours (or the store cannot be locked at all; see Open)
    Declined,   // the user would not have a missing folder created: nothing was created
    Unusable,   // something that is not a folder lies at the path
    NotCreated, // the folder was to be created and could not be
    InUse,      // another program has the store open
};

// How the caller talks to the user.
struct Prompts
{
    // A Yes/No question; true on Yes.
    std::function<bool(const QString& question)> ask;
    // A message that ends the attempt.
    std::function<void(const QString& message)> warn;
};

// Makes sure the store in dbDir exists (defaultDir: the folder a first start creates unasked) and takes lock on it.
// Every outcome but Opened has asked or told the user; on those the lock is left as it was. A store whose lock file
// cannot be made (a read-only disk) opens unlocked after the user was told why. Once opened, what an interrupted
// command recorded is finished, and the user told of it (RecoverMessage).
Outcome Open(const QString& dbDir, const QString& defaultDir, StoreLock& lock, const Prompts& prompts);

// Carries out what an interrupted many-item command left recorded in the store (StoreIntent::Recover), and what the
// user is told of it; empty when there was nothing. Open does it once the lock is ours.
QString RecoverMessage(const QString& dbDir);

// What the user is told, besides StoreFolder::AskText and StoreLock::InUseMessage.
QString UnusableText(const QString& dbDir);
QString NotCreatedText(const QString& dbDir);

// The one message about the settings file when it is damaged or cannot be read; empty when it is fine or missing.
QString SettingsFileMessage();

} // namespace StoreStart
