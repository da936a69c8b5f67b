// The product-code field and OK gate with the real checker created by ProgID, and with the checker missing.

#include "editors/ProductCodeGate.h"

#include "Component.h"

#include <QTemporaryDir>
#include <QtTest>

using Gate = ProductCodeGate;
using Editor = ProductCodeGate::Editor;
using Outcome = ProductCodeGate::OkOutcome;
Q_DECLARE_METATYPE(ProductCodeGate::Editor)
Q_DECLARE_METATYPE(ProductCodeGate::OkOutcome)

namespace {

const QString kValid = QStringLiteral("036000291452"); // a UPC-A with its right check digit
const QString kInvalid = QStringLiteral("036000291453");
const QString kValidWithBlanks = QStringLiteral("0 36000 29145 2");

} // namespace

class TestProductCodeGate : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(QStringLiteral("config"))));
        qputenv("TMPDIR", QFile::encodeName(m_home.path()));
        QCOMPARE(Component::RegisterLibrary(QStringLiteral(CODEVET_LIBRARY_PATH)), 0);
        Component::ClearCache();
    }

    void createsTheCheckerByProgId()
    {
        const Gate gate(Editor::Movie);
        QVERIFY(gate.HasChecker());
        // Surrounding blanks are trimmed before the check; blanks inside are not.
        QVERIFY(gate.Check(QStringLiteral("  ") + kValid + QStringLiteral(" ")) != 0);
        QCOMPARE(gate.Check(kValidWithBlanks), 0);
        QCOMPARE(gate.Check(QString()), 0);
        QCOMPARE(gate.ToolTip(QStringLiteral("designed")), QStringLiteral("designed"));
    }

    void okGate_data()
    {
        QTest::addColumn<Editor>("editor");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<bool>("templateMode");
        QTest::addColumn<QString>("code");
        QTest::addColumn<Outcome>("outcome");

        const QString root = QStringLiteral("!0");
        QTest::newRow("movie at root, empty") << Editor::Movie << root << false << QString() << Outcome::AskEmptyCode;
        QTest::newRow("movie at root, blanks")
            << Editor::Movie << root << false << QStringLiteral("   ") << Outcome::AskEmptyCode;
        QTest::newRow("movie at root, invalid") << Editor::Movie << root << false << kInvalid << Outcome::RefuseInvalid;
        QTest::newRow("movie at root, valid") << Editor::Movie << root << false << kValid << Outcome::Save;
        QTest::newRow("movie in category, digits grouped")
            << Editor::Movie << QStringLiteral("C3") << false << kValidWithBlanks << Outcome::RefuseInvalid;
        QTest::newRow("movie in group, empty")
            << Editor::Movie << QStringLiteral("S2") << false << QString() << Outcome::AskEmptyCode;
        QTest::newRow("movie in box, empty")
            << Editor::Movie << QStringLiteral("B1") << false << QString() << Outcome::Save;
        QTest::newRow("movie in box, invalid")
            << Editor::Movie << QStringLiteral("B1") << false << kInvalid << Outcome::Save;
        QTest::newRow("movie in medium, invalid")
            << Editor::Movie << QStringLiteral("E9") << false << kInvalid << Outcome::Save;
        QTest::newRow("movie template, empty") << Editor::Movie << root << true << QString() << Outcome::Save;
        QTest::newRow("movie template, invalid") << Editor::Movie << root << true << kInvalid << Outcome::Save;
        QTest::newRow("medium at root, invalid")
            << Editor::Media << root << false << kInvalid << Outcome::RefuseInvalid;
        QTest::newRow("medium in box, invalid")
            << Editor::Media << QStringLiteral("B4") << false << kInvalid << Outcome::Save;
        QTest::newRow("medium in box, empty")
            << Editor::Media << QStringLiteral("B4") << false << QString() << Outcome::Save;
        QTest::newRow("medium template, empty") << Editor::Media << root << true << QString() << Outcome::Save;
        QTest::newRow("box, empty") << Editor::Box << QStringLiteral("C1") << false << QString()
                                    << Outcome::AskEmptyCode;
        QTest::newRow("box, invalid") << Editor::Box << root << false << kInvalid << Outcome::RefuseInvalid;
        QTest::newRow("box, ean-13") << Editor::Box << root << false << QStringLiteral("4006381333931")
                                     << Outcome::Save;
    }
    void okGate()
    {
        QFETCH(Editor, editor);
        QFETCH(QString, parent);
        QFETCH(bool, templateMode);
        QFETCH(QString, code);
        QFETCH(Outcome, outcome);
        QCOMPARE(Gate(editor).OnOk(code, parent, templateMode), outcome);
    }

    void fieldLook_data()
    {
        QTest::addColumn<Editor>("editor");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<bool>("templateMode");
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("red");
        QTest::addColumn<bool>("grey");

        QTest::newRow("movie at root, invalid")
            << Editor::Movie << QStringLiteral("!0") << false << kInvalid << true << false;
        QTest::newRow("movie at root, empty")
            << Editor::Movie << QStringLiteral("!0") << false << QString() << false << false;
        QTest::newRow("movie at root, valid")
            << Editor::Movie << QStringLiteral("!0") << false << kValid << false << false;
        QTest::newRow("movie in box, invalid")
            << Editor::Movie << QStringLiteral("B2") << false << kInvalid << false << true;
        QTest::newRow("movie in medium, valid")
            << Editor::Movie << QStringLiteral("E2") << false << kValid << false << true;
        // A template needs no code but its parent does: never red, yet not grey either.
        QTest::newRow("movie template, invalid")
            << Editor::Movie << QStringLiteral("!0") << true << kInvalid << false << false;
        QTest::newRow("medium in box, invalid")
            << Editor::Media << QStringLiteral("B2") << false << kInvalid << false << true;
        QTest::newRow("medium in category, invalid")
            << Editor::Media << QStringLiteral("C2") << false << kInvalid << true << false;
        QTest::newRow("box, invalid") << Editor::Box << QStringLiteral("C2") << false << kInvalid << true << false;
    }
    void fieldLook()
    {
        QFETCH(Editor, editor);
        QFETCH(QString, parent);
        QFETCH(bool, templateMode);
        QFETCH(QString, code);
        QFETCH(bool, red);
        QFETCH(bool, grey);
        const Gate::Look look = Gate(editor).FieldLook(code, parent, templateMode);
        QCOMPARE(look.back == Gate::Back::Invalid, red);
        QCOMPARE(look.fore == Gate::Fore::NotNeeded, grey);
    }

    void lockOnLoad_data()
    {
        QTest::addColumn<Editor>("editor");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("locked");
        QTest::newRow("movie in category, valid") << Editor::Movie << QStringLiteral("C1") << kValid << true;
        QTest::newRow("movie in category, grouped digits")
            << Editor::Movie << QStringLiteral("C1") << kValidWithBlanks << false;
        QTest::newRow("movie in box, valid") << Editor::Movie << QStringLiteral("B1") << kValid << false;
        QTest::newRow("movie in medium, valid") << Editor::Movie << QStringLiteral("E1") << kValid << false;
        QTest::newRow("movie at root, invalid") << Editor::Movie << QStringLiteral("!0") << kInvalid << false;
        QTest::newRow("medium in box, valid") << Editor::Media << QStringLiteral("B1") << kValid << false;
        QTest::newRow("medium in group, valid") << Editor::Media << QStringLiteral("S1") << kValid << true;
        QTest::newRow("box, valid") << Editor::Box << QStringLiteral("!0") << kValid << true;
    }
    void lockOnLoad()
    {
        QFETCH(Editor, editor);
        QFETCH(QString, parent);
        QFETCH(QString, code);
        QFETCH(bool, locked);
        QCOMPARE(Gate(editor).LocksOnLoad(code, parent), locked);
    }

    void movieKeepsDigitsOnly()
    {
        const Gate movie(Editor::Movie);
        QCOMPARE(movie.TextOnLeave(kValidWithBlanks), kValid);
        QCOMPARE(movie.SavedCode(QStringLiteral("UPC 0-36000-29145-2")), kValid);
        // Once only digits remain, the grouped code is valid and loses its red.
        QCOMPARE(movie.FieldLook(movie.TextOnLeave(kValidWithBlanks), QStringLiteral("!0"), false).back,
                 Gate::Back::Normal);
        const Gate media(Editor::Media);
        QCOMPARE(media.TextOnLeave(kValidWithBlanks), kValidWithBlanks);
        QCOMPARE(media.SavedCode(kValidWithBlanks), kValidWithBlanks);
    }

    void checkerMissing_data()
    {
        QTest::addColumn<Editor>("editor");
        QTest::newRow("movie") << Editor::Movie;
        QTest::newRow("medium") << Editor::Media;
        QTest::newRow("box") << Editor::Box;
    }
    void checkerMissing()
    {
        QFETCH(Editor, editor);
        // A configuration folder where Codevet was never registered.
        const QByteArray registered = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(QStringLiteral("empty-config"))));
        Component::ClearCache();
        const Gate gate(editor);
        qputenv("XDG_CONFIG_HOME", registered);
        Component::ClearCache();

        QVERIFY(!gate.HasChecker());
        QCOMPARE(gate.ToolTip(QStringLiteral("designed")), Gate::CheckerMissingToolTip());
        QVERIFY(!Gate::CheckerMissingToolTip().isEmpty());
        for (const QString& parent : {QStringLiteral("!0"), QStringLiteral("B1"), QStringLiteral("E1")}) {
            for (const QString& code : {kValid, kInvalid, QStringLiteral("junk")}) {
                QCOMPARE(gate.FieldLook(code, parent, false), Gate::Look{});
                QVERIFY(!gate.LocksOnLoad(code, parent));
                QCOMPARE(gate.OnOk(code, parent, false), Outcome::Save);
            }
        }
        // Only the empty-code question remains, where a code is needed.
        QCOMPARE(gate.OnOk(QString(), QStringLiteral("!0"), false), Outcome::AskEmptyCode);
        QCOMPARE(gate.OnOk(QString(), QStringLiteral("!0"), true),
                 editor == Editor::Box ? Outcome::AskEmptyCode : Outcome::Save);
    }
};

QTEST_GUILESS_MAIN(TestProductCodeGate)
#include "tst_productcodegate.moc"
