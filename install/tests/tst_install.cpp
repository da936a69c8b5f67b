// An install as a user makes it: into a prefix of its own, which is then made read-only (as root, a read-only
// mount where one can be made, since root writes through permissions). Both programs start from it with folders of
// their own for settings, data, runtime and temporary files, and nothing in the prefix changes meanwhile.

#include "core/ComponentSetup.h"
#include "core/PickLists.h"
#include "core/mFunctions.h"
#include "shell/frmSettings.h"

#include "AnsiText.h"
#include "ModalAnswerer.h"
#include "StoreLock.h"
#include "UEF.h"
#include "UEFCollection.h"
#include "UEFMovie.h"

#include <QDirIterator>
#include <QImage>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

using PickLists::PickList;

namespace {

struct Run
{
    int code = -1;
    QString output;
};

Run Command(const QString& program, const QStringList& args, int timeoutMs = 120000)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    Run run;
    if (process.waitForStarted(10000) && process.waitForFinished(timeoutMs)) {
        run.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    run.output = QString::fromLocal8Bit(process.readAll());
    return run;
}

QByteArray Bytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

// Every entry under folder with its kind, size and time of change: what "unchanged" compares.
QStringList Snapshot(const QString& folder)
{
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        entries << QStringLiteral("%1 %2 %3 %4")
                       .arg(info.filePath())
                       .arg(info.isSymLink() ? info.symLinkTarget() : QString::number(info.size()))
                       .arg(info.lastModified().toMSecsSinceEpoch())
                       .arg(int(info.permissions()));
    }
    entries.sort();
    return entries;
}

// The keys of a desktop entry's main group, values as they stand (a desktop entry is no INI file: ";" separates
// list items there).
QHash<QString, QString> DesktopEntry(const QString& path)
{
    QHash<QString, QString> keys;
    bool inMain = false;
    for (const QByteArray& line : Bytes(path).split('\n')) {
        if (line.startsWith('[')) {
            inMain = line == "[Desktop Entry]";
        } else if (inMain && line.contains('=')) {
            const qsizetype at = line.indexOf('=');
            keys.insert(QString::fromUtf8(line.left(at)), QString::fromUtf8(line.mid(at + 1)));
        }
    }
    return keys;
}

// The files under folder and how each begins, for a failure's message.
QByteArray Listing(const QString& folder)
{
    QByteArray files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files += QFile::encodeName(path) + '\n' + Bytes(path).left(300) + '\n';
    }
    return files;
}

} // namespace

class TestInstall : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_world;
    QString m_prefix;
    QString m_progdir;
    bool m_mounted = false;
    QStringList m_before;

    QProcessEnvironment Environment(const QString& name) const
    {
        const QString home = m_world.filePath(name);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/run"));
        env.insert(QStringLiteral("TMPDIR"), home + QStringLiteral("/tmp"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
        env.insert(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"), QStringLiteral("--disable-gpu"));
        // The build tree's libraries must not stand in for the installed ones.
        env.remove(QStringLiteral("LD_LIBRARY_PATH"));
        for (const char* sub : {"/config", "/data", "/run", "/tmp"}) {
            QDir().mkpath(home + QLatin1String(sub));
        }
        QFile::setPermissions(home + QStringLiteral("/run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return env;
    }

    // Points this process at the same user folders as Environment(name) gave a program.
    void UseHome(const QString& name)
    {
        const QString home = m_world.filePath(name);
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home + QStringLiteral("/config")));
        qputenv("XDG_DATA_HOME", QFile::encodeName(home + QStringLiteral("/data")));
    }

    // Waits up to timeoutMs for done while the program runs; false when it ended first or time ran out.
    static bool WaitWhileRunning(QProcess& child, const std::function<bool()>& done, int timeoutMs)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < timeoutMs) {
            if (done()) {
                return true;
            }
            if (child.waitForFinished(100)) {
                return done();
            }
        }
        return done();
    }

    static void Stop(QProcess& child)
    {
        if (child.state() != QProcess::NotRunning) {
            child.terminate();
            if (!child.waitForFinished(5000)) {
                child.kill();
                child.waitForFinished(5000);
            }
        }
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_world.isValid());
        m_prefix = m_world.filePath(QStringLiteral("prefix"));
        m_progdir = m_prefix + QStringLiteral("/" VIDSORA_PROGDIR);
        QVERIFY(QDir().mkpath(m_prefix));
        // Root writes through permissions: only a read-only file system shows what the program would write.
        if (geteuid() == 0) {
            m_mounted = Command(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "size=1g", "tmpfs", m_prefix}).code == 0;
        }
        const Run install = Command(QStringLiteral(VIDSORA_CMAKE),
                                    {"--install", QStringLiteral(VIDSORA_BUILD_DIR), "--prefix", m_prefix});
        QVERIFY2(install.code == 0, qPrintable(install.output));
        QCOMPARE(Command(QStringLiteral("chmod"), {"-R", "a-w", m_prefix}).code, 0);
        if (m_mounted) {
            const Run ro = Command(QStringLiteral("mount"), {"-o", "remount,ro", m_prefix});
            QVERIFY2(ro.code == 0, qPrintable(ro.output));
        }
        m_before = Snapshot(m_prefix);
        QVERIFY(!m_before.isEmpty());
    }

    void cleanupTestCase()
    {
        SetProgramFolder(QString());
        if (m_mounted) {
            Command(QStringLiteral("umount"), {m_prefix});
        } else if (!m_prefix.isEmpty()) {
            Command(QStringLiteral("chmod"), {"-R", "u+w", m_prefix});
        }
    }

    // Nothing can be written into the prefix: the programs' runs below prove nothing unless this holds.
    void prefixIsReadOnly()
    {
        if (geteuid() == 0 && !m_mounted) {
            QSKIP("running as root without a read-only mount (not permitted here): root writes through permissions; "
                  "the prefix is still compared before and after each run");
        }
        QVERIFY(!AnsiText::WriteFileBytes(m_progdir + QStringLiteral("/probe"), "x"));
        QVERIFY(!QFileInfo::exists(m_progdir + QStringLiteral("/probe")));
    }

    void layout_data()
    {
        QTest::addColumn<QString>("path");
        const QString p = QStringLiteral(VIDSORA_PROGDIR "/");
        for (const char* file : {"vidsora", "vidpeek", "vidregsvr", "libvidstore.so", "libcodevet.so", "libvidswap.so",
                                 "libvidpage.so", "libvidlink.so", "libvidplatform.so", "libvidbrowser.so"}) {
            QTest::newRow(file) << p + QLatin1String(file);
        }
        for (PickList list : PickLists::All()) {
            QTest::newRow(qPrintable(PickLists::FileName(list)))
                << p + QStringLiteral("Resources/") + PickLists::FileName(list);
        }
        for (const char* file :
             {"share/applications/vidsora.desktop", "share/applications/vidpeek.desktop",
              "share/mime/packages/vidsora-exchange.xml", "share/icons/hicolor/48x48/apps/vidsora.png",
              "share/icons/hicolor/256x256/apps/vidpeek.png"}) {
            QTest::newRow(file) << QString::fromLatin1(file);
        }
    }
    void layout()
    {
        QFETCH(QString, path);
        const QFileInfo info(m_prefix + u'/' + path);
        QVERIFY2(info.isFile(), qPrintable(info.filePath()));
        if (path.endsWith(QLatin1String(".mld"))) {
            QCOMPARE(Bytes(info.filePath()),
                     Bytes(QStringLiteral(VIDSORA_SOURCE_DIR "/app/Resources/") + info.fileName()));
        } else if (path.endsWith(QLatin1String(".png"))) {
            const QImage image(info.filePath());
            const int size = path.section(u'/', 3, 3).section(u'x', 0, 0).toInt();
            QCOMPARE(image.size(), QSize(size, size));
            // Drawn, not blank: the middle is opaque, a corner clear.
            QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
            QVERIFY(qAlpha(image.pixel(size / 2, size / 2 + size / 8)) > 0);
        } else if (info.fileName().startsWith(QLatin1String("vid")) && !info.fileName().contains(u'.')) {
            // The programs find their libraries beside them, wherever the prefix is.
            const QString readelf = QStandardPaths::findExecutable(QStringLiteral("readelf"));
            if (!readelf.isEmpty()) {
                const Run dynamic = Command(readelf, {"-d", info.filePath()});
                QVERIFY2(dynamic.output.contains(QLatin1String("[$ORIGIN]")), qPrintable(dynamic.output));
                QVERIFY(!dynamic.output.contains(QStringLiteral(VIDSORA_BUILD_DIR)));
            }
        }
    }

    void launchers()
    {
        for (const char* name : {"vidsora", "vidpeek"}) {
            const QFileInfo link(m_prefix + QStringLiteral("/bin/") + QLatin1String(name));
            QVERIFY(link.isSymLink());
            // Relative, so the prefix can move.
            char target[4096] = {};
            QVERIFY(readlink(QFile::encodeName(link.filePath()).constData(), target, sizeof target - 1) > 0);
            QVERIFY2(!QDir::isAbsolutePath(QFile::decodeName(target)), target);
            QCOMPARE(link.canonicalFilePath(), QFileInfo(m_progdir + u'/' + QLatin1String(name)).canonicalFilePath());
        }
        const auto viewer = DesktopEntry(m_prefix + QStringLiteral("/share/applications/vidpeek.desktop"));
        QCOMPARE(viewer.value(QStringLiteral("Exec")), m_prefix + QStringLiteral("/bin/vidpeek %f"));
        QCOMPARE(viewer.value(QStringLiteral("MimeType")), QStringLiteral("application/x-vidsora-exchange;"));
        QCOMPARE(viewer.value(QStringLiteral("Icon")), QStringLiteral("vidpeek"));
        const auto main = DesktopEntry(m_prefix + QStringLiteral("/share/applications/vidsora.desktop"));
        QCOMPARE(main.value(QStringLiteral("Exec")), m_prefix + QStringLiteral("/bin/vidsora"));
        QCOMPARE(main.value(QStringLiteral("Icon")), QStringLiteral("vidsora"));

        // Where the desktop's tools are there, the install has told them: *.uef opens in Vidpeek.
        if (!QStandardPaths::findExecutable(QStringLiteral("update-mime-database")).isEmpty()) {
            QVERIFY(Bytes(m_prefix + QStringLiteral("/share/mime/globs2"))
                        .contains("application/x-vidsora-exchange:*.uef"));
        }
        if (!QStandardPaths::findExecutable(QStringLiteral("update-desktop-database")).isEmpty()) {
            QVERIFY(Bytes(m_prefix + QStringLiteral("/share/applications/mimeinfo.cache"))
                        .contains("application/x-vidsora-exchange=vidpeek.desktop;"));
        }

        const QString validate = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
        if (validate.isEmpty()) {
            QSKIP("desktop-file-validate is not installed (Debian package desktop-file-utils)");
        }
        for (const char* name : {"vidsora", "vidpeek"}) {
            const Run run = Command(validate, {m_prefix + QStringLiteral("/share/applications/%1.desktop").arg(name)});
            QVERIFY2(run.code == 0 && run.output.trimmed().isEmpty(), qPrintable(run.output));
        }
    }

    // The main program opens its default store in the user's data folder and registers the checker beside it.
    void mainProgram()
    {
        QProcess child;
        child.setProcessEnvironment(Environment(QStringLiteral("user")));
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(m_prefix + QStringLiteral("/bin/vidsora"), {});
        QVERIFY(child.waitForStarted(10000));
        const QString store = m_world.filePath(QStringLiteral("user/data/Halvorix/Vidsora/Database33"));
        auto storeOpen = [&store] {
            StoreLock probe;
            return QFileInfo(store).isDir() && probe.Acquire(store) == StoreLock::Result::InUse;
        };
        const bool opened = WaitWhileRunning(child, storeOpen, 60000);
        // The program folder is the folder of the running file, reached through the link in bin.
        const QString exe = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(child.processId()));
        const QByteArray maps = Bytes(QStringLiteral("/proc/%1/maps").arg(child.processId()));
        Stop(child);
        QVERIFY2(opened, child.readAll().constData());
        QCOMPARE(QFileInfo(exe).canonicalFilePath(),
                 QFileInfo(m_progdir + QStringLiteral("/vidsora")).canonicalFilePath());
        for (const char* library : {"libvidstore.so", "libvidplatform.so", "libvidbrowser.so"}) {
            QVERIFY2(maps.contains(QFile::encodeName(QFileInfo(m_progdir).canonicalFilePath()) + '/' + library),
                     library);
        }
        QVERIFY(!maps.contains(VIDSORA_BUILD_DIR "/bin/lib"));

        UseHome(QStringLiteral("user"));
        QCOMPARE(QFileInfo(ComponentSetup::RegisteredLibrary(QStringLiteral("Codevet.UPCObject"))).canonicalFilePath(),
                 QFileInfo(m_progdir + QStringLiteral("/libcodevet.so")).canonicalFilePath());
        QCOMPARE(Snapshot(m_prefix), m_before);
    }

    // What the program reads from its folder comes from the installed defaults; what the settings dialog saves lands
    // in the user's folder. The dialog runs here, on the program folder the started program ran from.
    void pickLists()
    {
        UseHome(QStringLiteral("lists"));
        SetProgramFolder(m_progdir);
        const QString installed = m_progdir + QStringLiteral("/Resources/studios.mld");
        const PickLists::PickListText before = PickLists::ReadFileText(PickList::Studios);
        QCOMPARE(before.status, PickLists::ReadStatus::Loaded);
        QCOMPARE(before.path, installed);
        const QStringList defaults = PickLists::ReadEntries(PickList::Studios);
        QVERIFY(!defaults.isEmpty());

        bool saved = false;
        TestSupport::AnswerModal([&saved](QWidget* modal) {
            if (auto* dialog = qobject_cast<frmSettings*>(modal)) {
                dialog->Field(PickList::Studios)
                    ->setPlainText(dialog->Field(PickList::Studios)->toPlainText() +
                                   QStringLiteral("\nHarbour Light Pictures"));
                dialog->cmdOk->click();
                saved = !dialog->isVisible();
            }
            if (modal->isVisible()) {
                modal->close();
            }
        });
        frmSettings::ShowSettings(QStringLiteral("Studios"));
        QVERIFY(saved);

        QCOMPARE(PickLists::ReadFileText(PickList::Studios).path, PickLists::UserFilePath(PickList::Studios));
        QVERIFY(PickLists::UserFilePath(PickList::Studios).startsWith(m_world.filePath(QStringLiteral("lists/data/"))));
        QCOMPARE(PickLists::ReadEntries(PickList::Studios), defaults + QStringList{"Harbour Light Pictures"});
        // The other lists still come from the installed defaults.
        QCOMPARE(PickLists::ReadFileText(PickList::Picture).path, m_progdir + QStringLiteral("/Resources/picture.mld"));
        QCOMPARE(Bytes(installed), Bytes(QStringLiteral(VIDSORA_SOURCE_DIR "/app/Resources/studios.mld")));
        QCOMPARE(Snapshot(m_prefix), m_before);
        SetProgramFolder(QString());
    }

    // The launcher's command line: the file as one argument, its name with a blank in it.
    void viewerOpensFile()
    {
        auto movie = std::make_shared<UEFMovie>();
        movie->setStrTitle(QStringLiteral("Lone Lighthouse"));
        // Items are read only when their product code checks: the viewer needs the checker installed beside it.
        movie->setStrUPC(QStringLiteral("4006381333931"));
        UEF document;
        document.colUEF()->Add(movie);
        const QString file = m_world.filePath(QStringLiteral("files/my films/lighthouse.uef"));
        QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()));
        QVERIFY(AnsiText::WriteFile(file, document.strUEF() + QStringLiteral("\r\n")));

        QProcess child;
        child.setProcessEnvironment(Environment(QStringLiteral("viewer")));
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(m_prefix + QStringLiteral("/bin/vidpeek"), {file});
        QVERIFY(child.waitForStarted(10000));
        const QString tmp = m_world.filePath(QStringLiteral("viewer/tmp"));
        auto shown = [&tmp] {
            QDirIterator it(tmp, {QStringLiteral("UEF.html")}, QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                if (Bytes(it.next()).contains("Lone Lighthouse")) {
                    return true;
                }
            }
            return false;
        };
        const bool opened = WaitWhileRunning(child, shown, 60000);
        Stop(child);
        QVERIFY2(opened, (child.readAll() + "\nfiles:\n" + Listing(tmp)).constData());
        UseHome(QStringLiteral("viewer"));
        QCOMPARE(QFileInfo(ComponentSetup::RegisteredLibrary(QStringLiteral("Codevet.UPCObject"))).canonicalFilePath(),
                 QFileInfo(m_progdir + QStringLiteral("/libcodevet.so")).canonicalFilePath());
        QCOMPARE(Snapshot(m_prefix), m_before);
    }
};

QTEST_MAIN(TestInstall)
#include "tst_install.moc"
