// Wiring of the category and group dialogs: controls by name, OK and Cancel, the place picker, a refusal at OK.

#include "editors/ParentCombo.h"
#include "editors/frmCategory.h"
#include "editors/frmGroup.h"

#include "CollectionWorld.h"
#include "ModalAnswerer.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

using TestSupport::AnswerModal;

namespace {

template <class T> T* Child(QWidget* parent, const char* name)
{
    return parent->findChild<T*>(QLatin1String(name));
}

void Click(QWidget* dialog, const char* name)
{
    Child<QPushButton>(dialog, name)->click();
}

} // namespace

class TestGroupDialogs : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestWorld::CollectionStore> m_store;
    QString Db() const { return m_store->db(); }

private slots:
    void initTestCase()
    {
        m_store = std::make_unique<TestWorld::CollectionStore>();
        TestWorld::AddCategory("Comedy");      // C1
        TestWorld::AddCategory("Drama");       // C2
        TestWorld::AddGroup("Orphan", "C999"); // S1
        TestWorld::LoadCollections(Db());
        BuildChildLists();
    }

    void category()
    {
        frmCategory form;
        for (const char* name :
             {"fraCategory", "lblCName", "txtCName", "lblCSorting", "txtCSort", "cmdOk", "cmdCancel"}) {
            QVERIFY2(form.findChild<QWidget*>(QLatin1String(name)), name);
        }
        QVERIFY(form.cmdOk->isDefault());
        QCOMPARE(form.cmdOk->text(), QStringLiteral("&Ok"));

        QString caption;
        AnswerModal([&caption](QWidget* dialog) {
            caption = dialog->windowTitle();
            QTest::keyClicks(Child<QLineEdit>(dialog, "txtCName"), "The Horror");
            QCOMPARE(Child<QLineEdit>(dialog, "txtCSort")->text(), QStringLiteral("HORROR, THE"));
            Click(dialog, "cmdOk");
        });
        QCOMPARE(form.EditCategory(QString()), QStringLiteral("C3"));
        QCOMPARE(caption, QStringLiteral("<New category>"));
        QCOMPARE(gCategories->Item("C3")->strSortKey(), QStringLiteral("HORROR, THE"));

        // A refused character: one message, the dialog stays open with the text as typed; then Cancel.
        QString message;
        QString kept;
        AnswerModal([&](QWidget* dialog) {
            caption = dialog->windowTitle();
            auto* name = Child<QLineEdit>(dialog, "txtCName");
            name->setText(QStringLiteral("Kom\u0113dija"));
            AnswerModal([&message](QWidget* box) {
                message = static_cast<QMessageBox*>(box)->text();
                static_cast<QMessageBox*>(box)->accept();
            });
            Click(dialog, "cmdOk");
            kept = name->text();
            QVERIFY(dialog->isVisible());
            Click(dialog, "cmdCancel");
        });
        QCOMPARE(form.EditCategory("C1"), QStringLiteral("C1"));
        QCOMPARE(caption, QStringLiteral("Comedy"));
        QVERIFY(message.contains(QStringLiteral("\"Name\"")));
        QCOMPARE(kept, QStringLiteral("Kom\u0113dija"));
        QCOMPARE(gCategories->Item("C1")->strName(), QStringLiteral("Comedy"));
    }

    void group()
    {
        frmGroup form;
        for (const char* name :
             {"fraSubcategory", "lblSName", "txtSName", "lblSSorting", "txtSSort", "cboParent", "cmdOk", "cmdCancel"}) {
            QVERIFY2(form.findChild<QWidget*>(QLatin1String(name)), name);
        }
        QVERIFY(form.cboParent->toolTip().startsWith(QStringLiteral("Where the group is placed.")));

        // A new group preselects the given category; Cancel gives the empty key.
        form.GroupParent("C2");
        QStringList keys;
        QString selected;
        AnswerModal([&](QWidget* dialog) {
            auto* picker = Child<ParentCombo>(dialog, "cboParent");
            for (int i = 0; i < picker->count(); ++i) {
                keys << picker->itemData(i, ParentCombo::kKeyRole).toString();
            }
            selected = picker->SelectedKey();
            // Each entry carries its kind's image and its depth.
            QVERIFY(!picker->itemIcon(0).isNull() && !picker->itemIcon(1).isNull());
            QCOMPARE(picker->itemData(0, ParentCombo::kIndentRole).toInt(), 0);
            QCOMPARE(picker->itemData(1, ParentCombo::kIndentRole).toInt(), 1);
            Click(dialog, "cmdCancel");
        });
        QCOMPARE(form.EditGroup(QString()), QString());
        QCOMPARE(keys.size(), 1 + gCategories->Count()); // the root and every category, no group
        QCOMPARE(keys.first(), QStringLiteral("!0"));
        QCOMPARE(selected, QStringLiteral("C2"));
        QCOMPARE(gGroups->Count(), 1);

        // The orphan shows no place and keeps its stored one through OK.
        AnswerModal([&](QWidget* dialog) {
            selected = Child<ParentCombo>(dialog, "cboParent")->SelectedKey();
            Click(dialog, "cmdOk");
        });
        QCOMPARE(form.EditGroup("S1"), QStringLiteral("S1"));
        QCOMPARE(selected, QString());
        QCOMPARE(gGroups->Item("S1")->lngParentID(), 999);

        // A pick of the root files it there.
        AnswerModal([&](QWidget* dialog) {
            auto* picker = Child<ParentCombo>(dialog, "cboParent");
            picker->setCurrentIndex(0);
            emit picker->activated(0);
            Click(dialog, "cmdOk");
        });
        QCOMPARE(form.EditGroup("S1"), QStringLiteral("S1"));
        QCOMPARE(gGroups->Item("S1")->lngParentType(), 0);
        QCOMPARE(gGroups->Item("S1")->lngParentID(), 0);
    }
};

int main(int argc, char** argv)
{
    TestWorld::SetUpEnvironment();
    QApplication app(argc, argv);
    TestGroupDialogs test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_groupdialogs.moc"
