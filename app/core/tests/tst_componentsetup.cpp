// Start-up registers the component libraries beside the program the way an installer would: only where no
// registration is, or where it names a file that has gone.

#include "core/ComponentSetup.h"

#include "AnsiText.h"
#include "Component.h"
#include "Registry.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kProgId = QStringLiteral("Codevet.UPCObject");

bool CopyLibrary(const QString& folder)
{
    return QDir().mkpath(folder) && QFile::copy(QStringLiteral(CODEVET_LIBRARY_PATH), folder + "/libcodevet.so");
}

} // namespace

class TestComponentSetup : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_home;

    QString Path(const QString& name) const { return m_home->filePath(name); }

private slots:
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(Path("config")));
        Component::ClearCache();
    }

    // before: where the registration points before start-up ("" none, "old" a library that still exists, "gone" one
    // that was deleted). The program's own library is in "program".
    void registersWhenMissing_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("never registered") << ""
                                          << "program";
        QTest::newRow("registered file deleted") << "gone"
                                                 << "program";
        QTest::newRow("another library still there") << "old"
                                                     << "old";
        QTest::newRow("already this one") << "program"
                                          << "program";
    }
    void registersWhenMissing()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QVERIFY(CopyLibrary(Path("program")));
        if (!before.isEmpty()) {
            if (before != QLatin1String("program")) {
                QVERIFY(CopyLibrary(Path(before)));
            }
            QCOMPARE(Component::RegisterLibrary(Path(before + "/libcodevet.so")), 0);
            if (before == QLatin1String("gone")) {
                QVERIFY(QFile::remove(Path("gone/libcodevet.so")));
            }
        }
        const QStringList registered = ComponentSetup::RegisterMissing(Path("program"));
        QCOMPARE(ComponentSetup::RegisteredLibrary(kProgId), Path(after + "/libcodevet.so"));
        QCOMPARE(registered, before == after ? QStringList() : QStringList{Path("program/libcodevet.so")});
        // What was registered is what the editors create.
        QVERIFY(Component::CreateObject(kProgId));
    }

    // A program folder without the library (a build of the program alone) registers nothing and writes nothing.
    void nothingBesideTheProgram()
    {
        QVERIFY(QDir().mkpath(Path("program")));
        QVERIFY(ComponentSetup::RegisterMissing(Path("program")).isEmpty());
        QVERIFY(ComponentSetup::RegisteredLibrary(kProgId).isEmpty());
        QVERIFY(!QFileInfo::exists(Path("config/Halvorix/Classes.conf")));
    }

    // A file of that name that is no component library leaves the registration missing and start-up going.
    void notALibrary()
    {
        QVERIFY(QDir().mkpath(Path("program")));
        QVERIFY(AnsiText::WriteFileBytes(Path("program/libcodevet.so"), "not a library"));
        QVERIFY(ComponentSetup::RegisterMissing(Path("program")).isEmpty());
        QVERIFY(ComponentSetup::RegisteredLibrary(kProgId).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestComponentSetup)
#include "tst_componentsetup.moc"
