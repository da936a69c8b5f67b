// Late-bound calls and properties by name on a plain QObject; creation by ProgID is covered with Codevet.

#include "Component.h"

#include <QtTest>

class Sample : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString strTitle MEMBER strTitle)
    Q_PROPERTY(int lngID READ lngID)

public:
    QString strTitle;
    QStringList calls;

    int lngID() const { return 7; }

    Q_INVOKABLE int Twice(int value) { return 2 * value; }
    Q_INVOKABLE QString Kind(int) { return QStringLiteral("int"); }
    Q_INVOKABLE QString Kind(const QString&) { return QStringLiteral("string"); }
    Q_INVOKABLE QVariant Echo(const QVariant& value) { return value; }
    Q_INVOKABLE void Remember(const QString& text) { calls.append(text); }
    Q_INVOKABLE QString Join(const QString& a, int b, double c) { return a + QString::number(b) + QString::number(c); }
    Q_INVOKABLE QObject* Self() { return this; }
    Q_INVOKABLE QString NameOf(QObject* object) { return object ? object->objectName() : QStringLiteral("none"); }

public slots:
    int Slot() { return 1; }

private slots:
    int Hidden() { return 2; }
};

class TestComponent : public QObject
{
    Q_OBJECT

private slots:
    void calls_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QVariantList>("args");
        QTest::addColumn<QVariant>("result");
        QTest::newRow("int") << QByteArray("Twice") << QVariantList{21} << QVariant(42);
        QTest::newRow("string to int") << QByteArray("Twice") << QVariantList{QStringLiteral("21")} << QVariant(42);
        QTest::newRow("exact overload int") << QByteArray("Kind") << QVariantList{5} << QVariant(QStringLiteral("int"));
        QTest::newRow("exact overload string")
            << QByteArray("Kind") << QVariantList{QStringLiteral("5")} << QVariant(QStringLiteral("string"));
        const QVariant list(QVariantList{1, QStringLiteral("a")});
        QTest::newRow("variant passes through") << QByteArray("Echo") << QVariantList({list}) << list;
        QTest::newRow("three arguments") << QByteArray("Join") << QVariantList{QStringLiteral("a"), 1, 2.5}
                                         << QVariant(QStringLiteral("a12.5"));
        QTest::newRow("public slot") << QByteArray("Slot") << QVariantList{} << QVariant(1);
    }
    void calls()
    {
        QFETCH(QByteArray, name);
        QFETCH(QVariantList, args);
        QFETCH(QVariant, result);
        Sample sample;
        bool ok = false;
        QCOMPARE(Component::CallByName(&sample, name.constData(), args, &ok), result);
        QVERIFY(ok);
    }

    void refusedCalls_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QVariantList>("args");
        QTest::newRow("private slot") << QByteArray("Hidden") << QVariantList{};
        QTest::newRow("not a number") << QByteArray("Twice") << QVariantList{QStringLiteral("many")};
        QTest::newRow("too many arguments") << QByteArray("Twice") << QVariantList{1, 2};
        QTest::newRow("eleven arguments") << QByteArray("Twice") << QVariantList(11, 1);
        QTest::newRow("property is no method") << QByteArray("strTitle") << QVariantList{};
    }
    void refusedCalls()
    {
        QFETCH(QByteArray, name);
        QFETCH(QVariantList, args);
        Sample sample;
        bool ok = true;
        QVERIFY(!Component::CallByName(&sample, name.constData(), args, &ok).isValid());
        QVERIFY(!ok);
    }

    void voidCallRunsAndYieldsNothing()
    {
        Sample sample;
        bool ok = false;
        QVERIFY(!Component::CallByName(&sample, "Remember", {QStringLiteral("x")}, &ok).isValid());
        QVERIFY(ok);
        QCOMPARE(sample.calls, QStringList{QStringLiteral("x")});
    }

    void objectsTravelBothWays()
    {
        Sample sample;
        Sample other;
        other.setObjectName(QStringLiteral("other"));
        const QVariant self = Component::CallByName(&sample, "Self");
        QCOMPARE(self.value<QObject*>(), &sample);
        QCOMPARE(Component::CallByName(&sample, "NameOf", {QVariant::fromValue<QObject*>(&other)}),
                 QVariant(QStringLiteral("other")));
    }

    void properties()
    {
        Sample sample;
        QVERIFY(Component::SetProperty(&sample, "strTitle", QStringLiteral("Alien")));
        QCOMPARE(sample.strTitle, QStringLiteral("Alien"));
        QCOMPARE(Component::GetProperty(&sample, "strTitle"), QVariant(QStringLiteral("Alien")));
        QCOMPARE(Component::GetProperty(&sample, "lngID"), QVariant(7));
        QVERIFY(!Component::SetProperty(&sample, "lngID", 8)); // read-only
        QVERIFY(!Component::SetProperty(&sample, "strNothing", 1));
        QVERIFY(!Component::GetProperty(&sample, "strNothing").isValid());
        QVERIFY(!Component::GetProperty(nullptr, "strTitle").isValid());
        QVERIFY(!Component::SetProperty(nullptr, "strTitle", 1));
    }
};

QTEST_GUILESS_MAIN(TestComponent)
#include "tst_component.moc"
