// The settings dialog's model without a window: what it reads, what it writes (only what changed, each on its own),
// what it refuses, and that a failed write is reported and loses nothing.

#include "shell/SettingsModel.h"

#include "core/PickLists.h"
#include "core/mFunctions.h"

#include "AnsiText.h"
#include "Registry.h"
#include "SafeFile.h"

#include <QDirIterator>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using PickLists::PickList;
using PickLists::ReadStatus;
using Outcome = SettingsSaveResult::Outcome;

namespace {

// Every file and folder below a root: its bytes, its inode (a file written anew through a rename gets a new one) and
// its mode.
struct Entry
{
    QByteArray bytes;
    quint64 inode = 0;
    uint mode = 0;
    bool operator==(const Entry&) const = default;
};
using Snapshot = QMap<QString, Entry>;

Snapshot Take(const QString& root)
{
    Snapshot snapshot;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat st;
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0) {
            continue;
        }
        Entry entry;
        entry.inode = st.st_ino;
        entry.mode = st.st_mode;
        if (S_ISREG(st.st_mode)) {
            QFile file(path);
            if (file.open(QIODevice::ReadOnly)) {
                entry.bytes = file.readAll();
            }
        }
        snapshot.insert(path.mid(root.size()), entry);
    }
    return snapshot;
}

// What became of the entries that were there before; new files (a missing list made by OK) are left out.
Snapshot Kept(Snapshot now, const Snapshot& before)
{
    for (auto it = now.begin(); it != now.end();) {
        it = before.contains(it.key()) ? std::next(it) : now.erase(it);
    }
    return now;
}

QByteArray Bytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

void Put(const QString& path, const QByteArray& bytes)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QVERIFY(AnsiText::WriteFileBytes(path, bytes));
}

} // namespace

Q_DECLARE_METATYPE(PickLists::PickList)

class TestSettingsModel : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_home;

    QString Root() const { return m_home->path(); }
    QString ProgramDir() const { return m_home->filePath(QStringLiteral("program")); }
    QString UserVidsora() const { return m_home->filePath(QStringLiteral("data/Halvorix/Vidsora")); }
    QString ConfFile() const { return Registry::Folder() + QStringLiteral("/Vidsora.conf"); }

    // The program folder's defaults for some lists, a user's own list for another, two lists nowhere.
    void Furnish()
    {
        Put(PickLists::DefaultFilePath(PickList::Picture), "Widescreen 16:9\r\nFull frame 4:3\r\n");
        Put(PickLists::DefaultFilePath(PickList::Audio), "Dolby Digital 5.1\r\nDTS");
        Put(PickLists::DefaultFilePath(PickList::Studios), "Default Studio\r\n");
        // The user's own list, with bytes a text box would not give back as they are.
        Put(PickLists::UserFilePath(PickList::Studios), "  North Reel \r\n\r\nx\ny\rz\xa0\x80\x81");
        Put(PickLists::UserFilePath(PickList::Extras), "Trailer\r\nTrailer\r\n");
        ReadRegSetting(QStringLiteral("DBPath"), QStringLiteral("/srv/films"));
        WriteRegSetting(QStringLiteral("User"), QStringLiteral("harbor"));
        WriteRegSetting(QStringLiteral("Password"), QStringLiteral("s3cret \u00e9"));
    }

private slots:
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home->filePath(QStringLiteral("data"))));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home->filePath(QStringLiteral("config"))));
        qputenv("TMPDIR", QFile::encodeName(m_home->filePath(QStringLiteral("tmp"))));
        SetProgramFolder(ProgramDir());
    }
    void cleanup()
    {
        // Folders a test made read-only must be removable.
        QFile::setPermissions(PickLists::DefaultsFolder(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        SetProgramFolder(QString());
    }

    void openingTab_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("opening");
        QTest::newRow("empty") << QString() << -1 << 0;
        QTest::newRow("Database") << QStringLiteral("Database") << 0 << 0;
        QTest::newRow("User") << QStringLiteral("User") << 1 << 1;
        QTest::newRow("Studios") << QStringLiteral("Studios") << 7 << 7;
        QTest::newRow("unknown") << QStringLiteral("Nowhere") << -1 << 0;
        QTest::newRow("case differs") << QStringLiteral("studios") << -1 << 0;
        QTest::newRow("caption is no key") << QStringLiteral("S&tudios") << -1 << 0;
    }
    void openingTab()
    {
        QFETCH(QString, key);
        QFETCH(int, index);
        QFETCH(int, opening);
        QCOMPARE(SettingsModel::TabIndex(key), index);
        QCOMPARE(SettingsModel::OpeningTab(key), opening);
        QCOMPARE(SettingsModel::Tabs().at(opening).key, key.isEmpty() || index < 0 ? QStringLiteral("Database") : key);
    }

    void tabsMatchThePickLists()
    {
        // The six list tabs follow the lists' own order, so tab, field and file always agree.
        QList<PickList> lists;
        for (const SettingsTab& tab : SettingsModel::Tabs()) {
            if (tab.list) {
                lists.append(*tab.list);
            }
        }
        QCOMPARE(lists, PickLists::All());
        QCOMPARE(SettingsModel::FieldName(PickList::LangSpoken), QStringLiteral("Spoken language"));
        QCOMPARE(SettingsModel::TabKey(PickList::LangSub), QStringLiteral("Subtitles"));
    }

    void loadReadsEverything()
    {
        Furnish();
        // A user's list that is there but cannot be read: a folder where the file should be.
        QVERIFY(QDir().mkpath(PickLists::UserFilePath(PickList::LangSub)));
        SettingsModel model;
        const SettingsForm& form = model.Load();
        QCOMPARE(form.strDBPath, QStringLiteral("/srv/films"));
        QCOMPARE(form.strAlias, QStringLiteral("harbor"));
        QCOMPARE(form.strPassword, QStringLiteral("s3cret \u00e9"));
        QCOMPARE(form.pickLists.size(), 6);

        const SettingsPickList* picture = form.PickList(PickList::Picture);
        QCOMPARE(picture->status, ReadStatus::Loaded);
        QCOMPARE(picture->path, PickLists::DefaultFilePath(PickList::Picture));
        QCOMPARE(picture->text, QStringLiteral("Widescreen 16:9\r\nFull frame 4:3\r\n"));
        const SettingsPickList* studios = form.PickList(PickList::Studios);
        QCOMPARE(studios->path, PickLists::UserFilePath(PickList::Studios));
        QCOMPARE(AnsiText::Encode(studios->text), QByteArray("  North Reel \r\n\r\nx\ny\rz\xa0\x80\x81"));
        QCOMPARE(form.PickList(PickList::LangSpoken)->status, ReadStatus::Missing);
        QVERIFY(form.PickList(PickList::LangSpoken)->text.isEmpty());
        QVERIFY(form.PickList(PickList::LangSpoken)->Editable());
        QCOMPARE(form.PickList(PickList::LangSub)->status, ReadStatus::Unreadable);
        QVERIFY(!form.PickList(PickList::LangSub)->Editable());
    }

    void missingSettingsGetTheirDefaults()
    {
        SettingsModel model;
        const SettingsForm& form = model.Load();
        QCOMPARE(form.strDBPath, DefaultDBPath());
        QVERIFY(form.strDBPath.startsWith(m_home->filePath(QStringLiteral("data"))));
        QVERIFY(form.strAlias.isEmpty());
        QVERIFY(form.strPassword.isEmpty());
        // Read once, created with the default, as every reader of the settings does.
        QCOMPARE(Registry::ReadString(Registry::HKEY_CURRENT_USER, kProgramKey, QStringLiteral("User"), "<none>"),
                 QString());
        for (const SettingsPickList& list : form.pickLists) {
            QCOMPARE(list.status, ReadStatus::Missing);
        }
    }

    void okWithNothingChangedWritesNothing()
    {
        Furnish();
        SettingsModel model;
        model.Load();
        const Snapshot before = Take(Root());
        const SettingsSaveResult result = model.Save(model.Stored());
        QCOMPARE(result.outcome, Outcome::Saved);
        QVERIFY(result.message.isEmpty());
        // Same bytes and the very same files: nothing was rewritten. A list that exists nowhere is made, empty; one
        // that comes from the program's defaults is not copied.
        QCOMPARE(Kept(Take(Root()), before), before);
        QCOMPARE(Bytes(PickLists::UserFilePath(PickList::LangSpoken)), QByteArray());
        QVERIFY(!QFileInfo::exists(PickLists::UserFilePath(PickList::Picture)));
    }

    void editsAreWritten_data()
    {
        QTest::addColumn<PickList>("list");
        QTest::addColumn<QString>("typed"); // as the text box holds it
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("line end kept") << PickList::Picture << QStringLiteral("Widescreen\nIMAX\n")
                                       << QByteArray("Widescreen\r\nIMAX\r\n") << QStringList{"Widescreen", "IMAX"};
        QTest::newRow("no line end added") << PickList::Picture << QStringLiteral("Widescreen\nIMAX")
                                           << QByteArray("Widescreen\r\nIMAX") << QStringList{"Widescreen", "IMAX"};
        QTest::newRow("blank lines, blanks and duplicates as typed")
            << PickList::Extras << QStringLiteral("  Trailer \n\n\nTrailer\n\n")
            << QByteArray("  Trailer \r\n\r\n\r\nTrailer\r\n\r\n") << QStringList{"Trailer", "Trailer"};
        QTest::newRow("a document's separators")
            << PickList::Audio << QStringLiteral("Mono\u2029Stereo\u2028DTS") << QByteArray("Mono\r\nStereo\r\nDTS")
            << QStringList{"Mono", "Stereo", "DTS"};
        QTest::newRow("code page") << PickList::LangSpoken << QStringLiteral("Fran\u00e7ais\n\u20acuro\u00a0")
                                   << QByteArray("Fran\xe7\x61is\r\n\x80uro\xa0")
                                   << QStringList{"Fran\u00e7ais", "\u20acuro\u00a0"};
        QTest::newRow("emptied") << PickList::Studios << QString() << QByteArray() << QStringList();
    }
    void editsAreWritten()
    {
        QFETCH(PickList, list);
        QFETCH(QString, typed);
        QFETCH(QByteArray, file);
        QFETCH(QStringList, entries);
        Furnish();
        SettingsModel model;
        model.Load();
        SettingsForm edited = model.Stored();
        edited.PickList(list)->text = SettingsModel::FileText(typed);
        const Snapshot before = Take(Root());

        QCOMPARE(model.Save(edited).outcome, Outcome::Saved);
        QCOMPARE(Bytes(PickLists::UserFilePath(list)), file);
        // The editors see the new list at their next opening.
        QCOMPARE(PickLists::ReadEntries(list), entries);
        // Only that one file changed.
        Snapshot after = Kept(Take(Root()), before);
        const QString changed = PickLists::UserFilePath(list).mid(Root().size());
        after.remove(changed);
        Snapshot expected = before;
        expected.remove(changed);
        QCOMPARE(after, expected);
        // Shown again, the text is what was typed; a fresh opening reads it back as written.
        QCOMPARE(SettingsModel::EditorText(model.Stored().PickList(list)->text),
                 SettingsModel::EditorText(SettingsModel::FileText(typed)));
        SettingsModel reopened;
        QCOMPARE(AnsiText::Encode(reopened.Load().PickList(list)->text), file);
    }

    void editorText_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("shown");
        QTest::newRow("CR LF") << QStringLiteral("a\r\nb\r\n") << QStringLiteral("a\nb\n");
        QTest::newRow("lone CR and LF") << QStringLiteral("a\rb\nc") << QStringLiteral("a\nb\nc");
        QTest::newRow("CR CR LF") << QStringLiteral("a\r\r\nb") << QStringLiteral("a\n\nb");
        QTest::newRow("empty") << QString() << QString();
    }
    void editorText()
    {
        QFETCH(QString, file);
        QFETCH(QString, shown);
        QCOMPARE(SettingsModel::EditorText(file), shown);
        QCOMPARE(SettingsModel::EditorText(SettingsModel::FileText(shown)), shown);
    }

    void missingListIsCreatedByOk()
    {
        SettingsModel model;
        model.Load();
        QCOMPARE(model.Stored().PickList(PickList::Picture)->status, ReadStatus::Missing);
        SettingsForm edited = model.Stored();
        edited.PickList(PickList::Picture)->text = QStringLiteral("Widescreen");
        QCOMPARE(model.Save(edited).outcome, Outcome::Saved);
        QCOMPARE(Bytes(PickLists::UserFilePath(PickList::Picture)), QByteArray("Widescreen"));
        QCOMPARE(model.Stored().PickList(PickList::Picture)->status, ReadStatus::Loaded);
        // The other lists, missing everywhere, are made empty, so the user has a file to fill.
        QCOMPARE(Bytes(PickLists::UserFilePath(PickList::Audio)), QByteArray());
        QCOMPARE(model.Stored().PickList(PickList::Audio)->status, ReadStatus::Loaded);
        QCOMPARE(PickLists::ReadEntries(PickList::Picture), QStringList{"Widescreen"});
    }

    void settingsAreWrittenPrivately_data()
    {
        QTest::addColumn<bool>("wasOpen");
        QTest::newRow("made by the program") << false;
        QTest::newRow("opened up by hand before") << true;
    }
    void settingsAreWrittenPrivately()
    {
        QFETCH(bool, wasOpen);
        Furnish();
        if (wasOpen) {
            QVERIFY(QFile::setPermissions(ConfFile(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                          QFileDevice::ReadGroup | QFileDevice::ReadOther));
        }
        SettingsModel model;
        model.Load();
        SettingsForm edited = model.Stored();
        edited.strAlias = QStringLiteral("quiet harbor");
        edited.strPassword = QStringLiteral("p\u00e4ss word ");
        QCOMPARE(model.Save(edited).outcome, Outcome::Saved);
        QCOMPARE(ReadRegSetting(QStringLiteral("User")).toString(), QStringLiteral("quiet harbor"));
        QCOMPARE(ReadRegSetting(QStringLiteral("Password")).toString(), QStringLiteral("p\u00e4ss word "));
        struct stat st;
        QCOMPARE(::stat(QFile::encodeName(ConfFile()).constData(), &st), 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0600));
    }

    void storeFolderIsNeverWritten()
    {
        Furnish();
        SettingsModel model;
        model.Load();
        SettingsForm edited = model.Stored();
        edited.strDBPath = QStringLiteral("/");
        edited.strAlias = QStringLiteral("changed");
        QCOMPARE(model.Save(edited).outcome, Outcome::Saved);
        QCOMPARE(ReadRegSetting(QStringLiteral("DBPath")).toString(), QStringLiteral("/srv/films"));
    }

    void unencodableTextIsRefused_data()
    {
        QTest::addColumn<QString>("alias");
        QTest::addColumn<QString>("studios");
        QTest::addColumn<QString>("tab");
        QTest::addColumn<QStringList>("named");
        QTest::newRow("alias") << QStringLiteral("Wojciech \u0141") << QString() << QStringLiteral("User")
                               << QStringList{"\"Alias\"", "\u0141"};
        QTest::newRow("studios") << QString() << QStringLiteral("Studio \u2713\r\nOther") << QStringLiteral("Studios")
                                 << QStringList{"\"Studios\"", "\u2713", "U+2713"};
        QTest::newRow("both, first tab named")
            << QStringLiteral("\U0001F600") << QStringLiteral("\u0142") << QStringLiteral("User")
            << QStringList{"\"Alias\"", "\"Studios\"", "U+1F600", "U+0142"};
    }
    void unencodableTextIsRefused()
    {
        QFETCH(QString, alias);
        QFETCH(QString, studios);
        QFETCH(QString, tab);
        QFETCH(QStringList, named);
        Furnish();
        SettingsModel model;
        model.Load();
        SettingsForm edited = model.Stored();
        // A good change beside the bad one is not written either: OK writes all or, when refused, nothing.
        edited.PickList(PickList::Picture)->text = QStringLiteral("IMAX");
        if (!alias.isEmpty()) {
            edited.strAlias = alias;
        }
        if (!studios.isEmpty()) {
            edited.PickList(PickList::Studios)->text = studios;
        }
        const Snapshot before = Take(Root());
        const SettingsSaveResult result = model.Save(edited);
        QCOMPARE(result.outcome, Outcome::Refused);
        QCOMPARE(result.tabKey, tab);
        for (const QString& name : named) {
            QVERIFY2(result.message.contains(name), qPrintable(result.message));
        }
        QCOMPARE(Take(Root()), before);
        // The form stays as it was stored: corrected, the same edit goes through.
        QCOMPARE(model.Stored().strAlias, QStringLiteral("harbor"));
    }

    void valueFromElsewhereIsNotRefused()
    {
        // A value the user did not touch is left alone, whatever it holds.
        ReadRegSetting(QStringLiteral("DBPath"));
        WriteRegSetting(QStringLiteral("User"), QStringLiteral("\u0141ukasz"));
        SettingsModel model;
        model.Load();
        SettingsForm edited = model.Stored();
        edited.strPassword = QStringLiteral("new");
        QCOMPARE(model.Save(edited).outcome, Outcome::Saved);
        QCOMPARE(ReadRegSetting(QStringLiteral("User")).toString(), QStringLiteral("\u0141ukasz"));
    }

    void unreadableListIsNeverReplaced()
    {
        Furnish();
        // Too big to be a pick list: unreadable, and so never written, even if a caller hands back a text for it.
        {
            QFile big(PickLists::UserFilePath(PickList::Audio));
            QVERIFY(big.open(QIODevice::WriteOnly));
            QVERIFY(big.resize(PickLists::kMaxPickListBytes + 1));
        }
        SettingsModel model;
        model.Load();
        QCOMPARE(model.Stored().PickList(PickList::Audio)->status, ReadStatus::Unreadable);
        const Snapshot before = Take(Root());
        SettingsForm edited = model.Stored();
        edited.PickList(PickList::Audio)->text = QString();
        QCOMPARE(model.Save(edited).outcome, Outcome::Saved);
        edited.PickList(PickList::Audio)->text = QStringLiteral("Mono");
        QCOMPARE(model.Save(edited).outcome, Outcome::Saved);
        QCOMPARE(Kept(Take(Root()), before), before);
    }

    void failedListWriteIsReportedAndRetried()
    {
        Furnish();
        SettingsModel model;
        model.Load();
        SettingsForm edited = model.Stored();
        edited.strAlias = QStringLiteral("new alias");
        edited.PickList(PickList::Studios)->text = QStringLiteral("Harbour Films\r\n");
        edited.PickList(PickList::Picture)->text = QStringLiteral("IMAX");

        // While the dialog is open the user's folder is replaced by a file: no write can go there, also as root.
        const QString resources = PickLists::UserFolder();
        QVERIFY(QDir().rename(resources, resources + QStringLiteral(".away")));
        Put(resources, "not a folder");
        const Snapshot program = Take(ProgramDir());

        const SettingsSaveResult failed = model.Save(edited);
        QCOMPARE(failed.outcome, Outcome::Failed);
        // The two lists that exist nowhere are made at OK, so they fail too.
        QCOMPARE(failed.notSaved,
                 (QStringList{PickLists::UserFilePath(PickList::Picture), PickLists::UserFilePath(PickList::LangSpoken),
                              PickLists::UserFilePath(PickList::LangSub), PickLists::UserFilePath(PickList::Studios)}));
        QVERIFY2(failed.message.contains(
                     QStringLiteral("Studios: the file \"%1\"").arg(PickLists::UserFilePath(PickList::Studios))),
                 qPrintable(failed.message));
        QVERIFY(failed.message.contains(QStringLiteral("Picture formats: the file")));
        QVERIFY(!failed.message.contains(QStringLiteral("Alias")));
        QCOMPARE(failed.tabKey, QStringLiteral("Picture"));
        // What could be written was; the old lists and the program's defaults are as they were.
        QCOMPARE(ReadRegSetting(QStringLiteral("User")).toString(), QStringLiteral("new alias"));
        QCOMPARE(model.Stored().strAlias, QStringLiteral("new alias"));
        QCOMPARE(Bytes(resources + QStringLiteral(".away/studios.mld")),
                 QByteArray("  North Reel \r\n\r\nx\ny\rz\xa0\x80\x81"));
        QCOMPARE(Take(ProgramDir()), program);

        // Put right, the same OK writes what failed, and only that.
        QVERIFY(QFile::remove(resources));
        QVERIFY(QDir().rename(resources + QStringLiteral(".away"), resources));
        const Snapshot beforeRetry = Take(Root());
        QCOMPARE(model.Save(edited).outcome, Outcome::Saved);
        QCOMPARE(Bytes(PickLists::UserFilePath(PickList::Studios)), QByteArray("Harbour Films\r\n"));
        QCOMPARE(Bytes(PickLists::UserFilePath(PickList::Picture)), QByteArray("IMAX"));
        QCOMPARE(Take(Root()).value(ConfFile().mid(Root().size())), beforeRetry.value(ConfFile().mid(Root().size())));
    }

    // A list whose new file is in place but not confirmed by the disk is saved (what the editors read now) and the
    // user is told, never asked to save it again.
    void unconfirmedListWriteIsSavedAndSaid()
    {
        Furnish();
        SettingsModel model;
        model.Load();
        QCOMPARE(model.Save(model.Stored()).outcome, Outcome::Saved); // the lists that exist nowhere are made
        SettingsForm edited = model.Stored();
        edited.PickList(PickList::Studios)->text = QStringLiteral("Harbour Films\r\n");
        SafeFile::Faults::FailNth(SafeFile::Faults::SyncDir, 1);
        const SettingsSaveResult saved = model.Save(edited);
        SafeFile::Faults::Reset();
        QCOMPARE(saved.outcome, Outcome::Saved);
        QVERIFY2(saved.message.contains(QStringLiteral("did not confirm")) &&
                     saved.message.contains(PickLists::UserFilePath(PickList::Studios)),
                 qPrintable(saved.message));
        QCOMPARE(model.Stored().PickList(PickList::Studios)->text, QStringLiteral("Harbour Films\r\n"));
        QCOMPARE(Bytes(PickLists::UserFilePath(PickList::Studios)), QByteArray("Harbour Films\r\n"));
        const SettingsSaveResult again = model.Save(edited);
        QCOMPARE(again.outcome, Outcome::Saved);
        QVERIFY(again.message.isEmpty());
    }

    void failedSettingWriteIsReported()
    {
        Furnish();
        SettingsModel model;
        model.Load();
        SettingsForm edited = model.Stored();
        edited.strPassword = QStringLiteral("new password");
        // The settings folder is replaced by a file while the dialog is open.
        const QString folder = Registry::Folder();
        QVERIFY(QDir().rename(folder, folder + QStringLiteral(".away")));
        Put(folder, "not a folder");

        const SettingsSaveResult failed = model.Save(edited);
        QCOMPARE(failed.outcome, Outcome::Failed);
        QCOMPARE(failed.notSaved, QStringList{QStringLiteral("Password")});
        QVERIFY(failed.message.contains(QStringLiteral("Password: the setting \"Password\"")));
        QCOMPARE(failed.tabKey, QStringLiteral("User"));
        QCOMPARE(model.Stored().strPassword, QStringLiteral("s3cret \u00e9"));

        QVERIFY(QFile::remove(folder));
        QVERIFY(QDir().rename(folder + QStringLiteral(".away"), folder));
        QCOMPARE(ReadRegSetting(QStringLiteral("Password")).toString(), QStringLiteral("s3cret \u00e9"));
        QCOMPARE(model.Save(edited).outcome, Outcome::Saved);
        QCOMPARE(ReadRegSetting(QStringLiteral("Password")).toString(), QStringLiteral("new password"));
    }

    void readOnlyProgramFolder()
    {
        Furnish();
        // Read-only as an installed program's folder is; the snapshot shows nothing there changes, also as root.
        QVERIFY(QFile::setPermissions(PickLists::DefaultsFolder(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        const Snapshot program = Take(ProgramDir());
        SettingsModel model;
        model.Load();
        SettingsForm edited = model.Stored();
        for (SettingsPickList& list : edited.pickLists) {
            if (list.list != PickList::Studios) {
                list.text = QStringLiteral("Mine: ") + SettingsModel::FieldName(list.list);
            }
        }
        QCOMPARE(model.Save(edited).outcome, Outcome::Saved);
        QCOMPARE(Take(ProgramDir()), program);
        for (const SettingsPickList& list : edited.pickLists) {
            if (list.list != PickList::Studios) {
                QCOMPARE(PickLists::ReadEntries(list.list),
                         QStringList{QStringLiteral("Mine: ") + SettingsModel::FieldName(list.list)});
            }
        }
    }

    void rebuiltBuildTreeKeepsTheUserLists()
    {
        Furnish();
        SettingsModel model;
        model.Load();
        SettingsForm edited = model.Stored();
        edited.PickList(PickList::Picture)->text = QStringLiteral("My Format\r\n");
        QCOMPARE(model.Save(edited).outcome, Outcome::Saved);

        // The build tree is wiped and built again: fresh defaults, nothing else.
        QVERIFY(QDir(ProgramDir()).removeRecursively());
        Put(PickLists::DefaultFilePath(PickList::Picture), "Widescreen 16:9\r\n");
        Put(PickLists::DefaultFilePath(PickList::Studios), "Default Studio\r\n");
        SettingsModel reopened;
        const SettingsForm& form = reopened.Load();
        QCOMPARE(form.PickList(PickList::Picture)->text, QStringLiteral("My Format\r\n"));
        QCOMPARE(AnsiText::Encode(form.PickList(PickList::Studios)->text),
                 QByteArray("  North Reel \r\n\r\nx\ny\rz\xa0\x80\x81"));
        QCOMPARE(PickLists::ReadEntries(PickList::Picture), QStringList{"My Format"});
    }
};

QTEST_GUILESS_MAIN(TestSettingsModel)
#include "tst_settingsmodel.moc"
