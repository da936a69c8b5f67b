#include "widgets/mControls.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QHash>
#include <QLineEdit>
#include <QListWidget>
#include <QTreeWidget>
#include <QUrl>
#include <QtTest>

// The helpers that need a window's controls or the desktop.
class TestControls : public QObject
{
    Q_OBJECT

public slots:
    // The desktop handler stand-in: records what OpenDocument hands over.
    void openUrl(const QUrl& url) { m_opened << url; }

private slots:
    void listHelpers()
    {
        QListWidget list;
        AddUniqueToList("  Dolby  ", &list);
        AddUniqueToList("dolby", &list);
        AddUniqueToList("", &list);
        AddUniqueToList("   ", &list);
        AddLinesToList("DTS\r\nMono\r\ndts", &list);
        QCOMPARE(list.count(), 4);
        QCOMPARE(list.item(0)->text(), QStringLiteral("Dolby"));
        QCOMPARE(list.item(1)->text(), QString());
        QCOMPARE(ListToText(&list), QStringLiteral("Dolby\r\n\r\nDTS\r\nMono"));

        QListWidget gaps;
        gaps.addItems({"", "A", "", "B", ""});
        QCOMPARE(ListToText(&gaps), QStringLiteral("A\r\n\r\nB\r\n"));
        QCOMPARE(ListToText(static_cast<QListWidget*>(nullptr)), QString());

        QComboBox combo;
        AddLinesToList("", &combo);
        QCOMPARE(combo.count(), 0);
        AddLinesToList("x\r\nX \r\ny", &combo);
        QCOMPARE(ListToText(&combo), QStringLiteral("x\r\ny"));

        QLineEdit edit("some text");
        SelectAllText(&edit);
        QCOMPARE(edit.selectedText(), QStringLiteral("some text"));
    }

    void treeNodes()
    {
        QTreeWidget tree;
        auto* root = new QTreeWidgetItem(&tree);
        root->setData(0, Qt::UserRole, QStringLiteral("!0"));
        auto* movie = new QTreeWidgetItem(root);
        movie->setData(0, Qt::UserRole, QStringLiteral("M1"));
        QHash<QString, QTreeWidgetItem*> nodes{{"!0", root}, {"M1", movie}};
        const TreeNodeLookup lookup = [&nodes](const QString& key) { return nodes.value(key); };

        QVERIFY(TreeNodeExists(&tree, QStringLiteral("M1")));
        QVERIFY(TreeNodeExists(lookup, QStringLiteral("M1")));
        delete movie;
        nodes.remove(QStringLiteral("M1"));
        QVERIFY(!TreeNodeExists(&tree, QStringLiteral("M1")));
        QVERIFY(!TreeNodeExists(lookup, QStringLiteral("M1")));
        QVERIFY(TreeNodeExists(&tree, QStringLiteral("!0")));
        QVERIFY(!TreeNodeExists(TreeNodeLookup(), QStringLiteral("!0")));
        QVERIFY(!TreeNodeExists(static_cast<QTreeWidget*>(nullptr), QStringLiteral("!0")));
    }

    void openDocumentRefusesWhatItMayNotOpen()
    {
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl");
        OpenDocument(QStringLiteral("https://example.org/list"));
        OpenDocument(QStringLiteral("mailto:someone@example.org"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QCOMPARE(m_opened, QList<QUrl>({QUrl(QStringLiteral("https://example.org/list"))}));
    }

private:
    QList<QUrl> m_opened;
};

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
