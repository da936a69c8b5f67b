#pragma once

// The store fixture of the tests: the user folders pointed at private ones, and temporary stores of the five kind
// folders in the test program's private folder (header-only).

#include "AnsiText.h"
#include "ItemStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

namespace TestSupport {

// Points the user folders at private ones under home, made here: settings, data, runtime and temporary files. A
// variable is written only when it names another folder, so threads that read the environment meanwhile see no
// change.
inline void UsePrivateFolders(const QString& home)
{
    const struct
    {
        const char* variable;
        const char* folder;
    } folders[] = {
        {"XDG_CONFIG_HOME", "config"}, {"XDG_DATA_HOME", "data"}, {"XDG_RUNTIME_DIR", "runtime"}, {"TMPDIR", "tmp"}};
    for (const auto& [variable, folder] : folders) {
        const QString path = home + u'/' + QLatin1String(folder);
        QDir().mkpath(path);
        const QByteArray value = QFile::encodeName(path);
        if (qgetenv(variable) != value) {
            qputenv(variable, value);
        }
    }
    // The runtime folder is the user's alone, as the session makes it.
    QFile::setPermissions(home + QStringLiteral("/runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// The five kind folders of a store at db.
inline void MakeKindFolders(const QString& db)
{
    for (const ItemKind kind : ItemStore::kKinds) {
        QDir().mkpath(db + u'/' + ItemStore::KindFolder(kind));
    }
}

// The test program's private folder: its user folders, its stores and the files its tests write.
inline QTemporaryDir& ProgramDir()
{
    static QTemporaryDir dir;
    return dir;
}

// The program's own user folders, and the window system and browser engine as the tests run them; call it before
// the application object.
inline void SetUpEnvironment()
{
    UsePrivateFolders(ProgramDir().path());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
}

} // namespace TestSupport

// A temporary store in the program's private folder: db() with the five kind folders, and room beside it (path())
// for the files a test brings along. It is removed with everything in it when it goes.
class TestStore
{
public:
    enum class Folders
    {
        Own,     // user folders of its own beside the store: a test that owns its world, settings included
        Program, // the program's user folders, so what the test program set up there (a registration) holds
    };

    explicit TestStore(Folders folders = Folders::Own) : m_dir(TestSupport::ProgramDir().filePath("store-XXXXXX"))
    {
        TestSupport::UsePrivateFolders(folders == Folders::Own ? m_dir.path() : TestSupport::ProgramDir().path());
        TestSupport::MakeKindFolders(db());
    }
    QString db() const { return m_dir.filePath("db"); }
    QString path(const QString& rel) const { return m_dir.filePath(rel); }

    // Writes raw 8-bit text (the record reader's own encoding) and creates the folders on the way.
    static void Write(const QString& file, const QString& text)
    {
        QDir().mkpath(QFileInfo(file).absolutePath());
        QVERIFY(AnsiText::WriteFile(file, text));
    }
    static QString Read(const QString& file) { return AnsiText::ReadFile(file); }
    static QStringList Entries(const QString& folder)
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                      QDir::Name);
    }

private:
    QTemporaryDir m_dir;
};
