// Wiring of the media and box editors and the two workshops: controls by name, tabs, OK, Cancel and the close box,
// the product-code questions, template mode, the division check and the "..." button.

#include "commands/Workshops.h"
#include "editors/CoverPicture.h"
#include "editors/ParentCombo.h"
#include "editors/ProductCodeField.h"
#include "editors/ctlMedia.h"
#include "editors/frmBox.h"
#include "editors/frmBoxWorkshop.h"
#include "editors/frmCategory.h"
#include "editors/frmGroup.h"
#include "editors/frmMedia.h"
#include "editors/frmMediaWorkshop.h"

#include "AccessKeys.h"
#include "AnsiText.h"
#include "CMedia.h"
#include "CollectionWorld.h"
#include "Component.h"
#include "ModalAnswerer.h"
#include "core/PickLists.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QInputDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>

using TestSupport::AccessKeyClashes;
using TestSupport::AnswerModal;

namespace {

const QString kValidCode = QStringLiteral("036000291452");

// Answers the message box the next step opens with the button given, remembering its title and text.
void AnswerBox(QString* text, QMessageBox::StandardButton button = QMessageBox::Ok)
{
    AnswerModal([text, button](QWidget* widget) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        QVERIFY(box);
        *text = box->windowTitle() + u'|' + box->text();
        box->button(button)->click();
    });
}

void CheckTabs(QTabWidget* tabs)
{
    const QStringList keys{"General", "Extras", "Cover"};
    const QStringList captions{"&General", "E&xtras", "Co&ver"};
    const QStringList frames{"fraGeneral", "fraExtras", "fraCover"};
    QCOMPARE(tabs->count(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(tabs->tabBar()->tabData(i).toString(), keys[i]);
        QCOMPARE(tabs->tabText(i), captions[i]);
        QCOMPARE(tabs->widget(i)->objectName(), frames[i]);
    }
}

QStringList Texts(const QListWidget* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) {
        texts << list->item(i)->text();
    }
    return texts;
}

QString FocusName(const QWidget* window)
{
    return window->focusWidget() ? window->focusWidget()->objectName() : QString();
}

} // namespace

class TestMediaBoxDialogs : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestWorld::CollectionStore> m_store;
    QString Db() const { return m_store->db(); }

private slots:
    void initTestCase()
    {
        QCOMPARE(Component::RegisterLibrary(QStringLiteral(CODEVET_LIBRARY_PATH)), 0);
        Component::ClearCache();
        QVERIFY(PickLists::WriteFileText(PickLists::PickList::Extras, " Trailer \r\n\r\nBooklet\r\nDVD "));
        m_store = std::make_unique<TestWorld::CollectionStore>();
        TestWorld::AddCategory("Comedy");               // C1
        TestWorld::AddGroup("Sitcoms", "C1");           // S1
        TestWorld::AddBox("Zeta Box", "S1");            // B1
        TestWorld::AddMedia("Box Disc", "B1", "LD");    // E1
        TestWorld::AddMedia("Coded Disc", "C1", "DVD"); // E2
        gMedias->Item("E2")->setStrUPC(kValidCode);
        gMedias->Update("E2");
        gBoxes->Item("B1")->setStrUPC(kValidCode);
        gBoxes->Update("B1");
        TestWorld::LoadCollections(Db());
        BuildChildLists();
    }

    void mediaControls()
    {
        frmMedia form;
        for (const char* name :
             {"tbMedia", "txtEName", "txtESort", "txtEUCP", "ctlMediaData", "cboExtras", "cmdAddExtra",
              "cdmRemoveExtras", "lstExtras", "imgEFrontCover", "imgEBackCover", "cmdAddFrontCover",
              "cdmDeleteFrontCover", "cmdAddBackCover", "cmdDeleteBackCover", "cboParent", "cmdOk", "cmdCancel"}) {
            QVERIFY2(form.findChild<QWidget*>(QLatin1String(name)), name);
        }
        CheckTabs(form.tbMedia);
        QCOMPARE(form.cmdAddExtra->text(), QStringLiteral("->"));
    }

    // The hourglass an editor shows while it loads is gone once the dialog takes input, and none is left after it.
    void editorsTakeInputUnderTheArrow()
    {
        QList<bool> busy;
        const auto answer = [&busy] {
            AnswerModal([&busy](QWidget* dialog) {
                busy << (QApplication::overrideCursor() != nullptr);
                dialog->close();
            });
        };
        frmCategory category;
        answer();
        category.EditCategory("C1");
        frmGroup group;
        answer();
        group.EditGroup("S1");
        frmBox box;
        answer();
        box.EditBox("B1");
        frmMedia media;
        answer();
        media.EditMedia("E1");
        answer();
        media.MakeTemplate();
        QCOMPARE(busy, QList<bool>(5, false));
        QVERIFY(!QApplication::overrideCursor());
    }

    void newMediumInABox()
    {
        frmMedia form;
        form.MediaParent("B1");
        QString caption, parent;
        QStringList extras, places;
        bool grey = false;
        AnswerModal([&](QWidget* dialog) {
            auto* m = qobject_cast<frmMedia*>(dialog);
            caption = m->windowTitle();
            parent = m->cboParent->SelectedKey();
            for (int i = 0; i < m->cboParent->count(); ++i) {
                places << m->cboParent->itemData(i, ParentCombo::kKeyRole).toString();
            }
            for (int i = 0; i < m->cboExtras->count(); ++i) {
                extras << m->cboExtras->itemText(i);
            }
            QTest::keyClicks(m->txtEName, "The Disc");
            QCOMPARE(m->txtESort->text(), QStringLiteral("DISC, THE"));
            // The same extra twice, once in other letters and with blanks: one entry.
            m->cboExtras->setEditText("DVD");
            m->cmdAddExtra->click();
            m->cboExtras->setEditText(" dvd ");
            m->cmdAddExtra->click();
            QCOMPARE(m->lstExtras->count(), 1);
            m->ctlMediaData->findChild<QRadioButton*>("optVHS")->click();
            // Inside a box no code is needed: an invalid one is grey and OK asks nothing.
            m->txtEUCP->setText("12 34");
            grey = m->txtEUCP->palette().color(QPalette::Text) == QColor(125, 125, 125);
            m->cmdOk->click();
        });
        const QString key = form.EditMedia(QString());
        QCOMPARE(caption, QStringLiteral("<New media>"));
        QCOMPARE(parent, QStringLiteral("B1"));
        QCOMPARE(places, (QStringList{"!0", "C1", "S1", "B1"}));
        QCOMPARE(extras, (QStringList{"Trailer", "Booklet", "DVD"}));
        QVERIFY(grey);
        QCOMPARE(key, QStringLiteral("E3"));
        const auto medium = gMedias->Item(key);
        QCOMPARE(medium->strName(), QStringLiteral("The Disc"));
        QCOMPARE(medium->strUPC(), QStringLiteral("12 34"));
        QCOMPARE(medium->strExtras(), QStringLiteral("DVD"));
        QCOMPARE(medium->dMedia().strMedia, QStringLiteral("VHS"));
        QCOMPARE(medium->lngParentType(), 3);
    }

    void mediaCancelCloseBoxAndQuestions()
    {
        frmMedia form;
        AnswerModal([](QWidget* dialog) { qobject_cast<frmMedia*>(dialog)->cmdCancel->click(); });
        QCOMPARE(form.EditMedia("E1"), QStringLiteral("E1"));
        AnswerModal([](QWidget* dialog) { dialog->close(); });
        QCOMPARE(form.EditMedia("E1"), QStringLiteral("E1"));
        AnswerModal([](QWidget* dialog) { dialog->close(); });
        QCOMPARE(form.EditMedia(QString()), QString());

        // A valid stored code outside a box is locked; an empty code at the root asks, and No keeps the dialog open.
        bool locked = false, openAfterNo = false;
        QString unlock, empty;
        AnswerModal([&](QWidget* dialog) {
            auto* m = qobject_cast<frmMedia*>(dialog);
            locked = m->txtEUCP->IsLocked();
            AnswerBox(&unlock, QMessageBox::Yes);
            QTest::keyClick(m->txtEUCP, Qt::Key_Backspace);
            m->txtEUCP->clear();
            const int root = m->cboParent->FindKey("!0");
            m->cboParent->setCurrentIndex(root);
            emit m->cboParent->activated(root);
            AnswerBox(&empty, QMessageBox::No);
            m->cmdOk->click();
            openAfterNo = m->isVisible();
            m->cmdCancel->click();
        });
        QCOMPARE(form.EditMedia("E2"), QStringLiteral("E2"));
        QVERIFY(locked);
        QCOMPARE(unlock, ProductCodeGate::UnlockTitle() + u'|' + ProductCodeGate::UnlockQuestion());
        QVERIFY(empty.endsWith(ProductCodeGate::EmptyCodeQuestion()));
        QVERIFY(openAfterNo);
        QCOMPARE(gMedias->Item("E2")->strUPC(), kValidCode);
    }

    void mediaTemplate()
    {
        frmMedia form;
        QString caption;
        bool nameEnabled = true, coverEnabled = true, parentEnabled = true;
        AnswerModal([&](QWidget* dialog) {
            auto* m = qobject_cast<frmMedia*>(dialog);
            caption = m->windowTitle();
            nameEnabled = m->txtEName->isEnabled() || m->txtESort->isEnabled() || m->txtEUCP->isEnabled();
            coverEnabled = m->cmdAddFrontCover->isEnabled() || m->cmdDeleteBackCover->isEnabled();
            parentEnabled = m->cboParent->isEnabled();
            m->ctlMediaData->findChild<QRadioButton*>("optDVD")->click();
            m->cboExtras->setEditText("Booklet");
            m->cmdAddExtra->click();
            m->cmdOk->click(); // no code is needed for a template
        });
        const int count = gMedias->Count();
        std::unique_ptr<CMedia> medium = form.MakeTemplate();
        QVERIFY(medium);
        QCOMPARE(caption, QStringLiteral("<New Media Template>"));
        QVERIFY(!nameEnabled);
        QVERIFY(!coverEnabled);
        QVERIFY(!parentEnabled);
        QCOMPARE(medium->dMedia().strMedia, QStringLiteral("DVD"));
        QCOMPARE(medium->strExtras(), QStringLiteral("Booklet"));
        QCOMPARE(medium->lngParentType(), 0);
        QCOMPARE(gMedias->Count(), count);

        AnswerModal([](QWidget* dialog) { dialog->close(); });
        QVERIFY(!form.MakeTemplate());
    }

    // Each delete button empties its own side's picture and leaves the other side's.
    void coverDeleteButtons()
    {
        QByteArray png;
        QBuffer buffer(&png);
        QVERIFY(buffer.open(QIODevice::WriteOnly));
        QImage image(20, 30, QImage::Format_RGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(&buffer, "PNG"));
        const QString path = m_store->path(QStringLiteral("cover.png"));
        QVERIFY(AnsiText::WriteFileBytes(path, png));

        frmBox box;
        frmMedia media;
        const struct
        {
            CoverPicture* front;
            CoverPicture* back;
            QPushButton* deleteFront;
            QPushButton* deleteBack;
        } dialogs[] = {
            {box.imgBFrontCover, box.imgBBackCover, box.cdmDeleteFrontCover, box.cmdDeleteBackCover},
            {media.imgEFrontCover, media.imgEBackCover, media.cdmDeleteFrontCover, media.cmdDeleteBackCover}};
        for (const auto& dialog : dialogs) {
            QVERIFY(dialog.front->ShowFile(path));
            QVERIFY(dialog.back->ShowFile(path));
            dialog.deleteFront->click();
            QVERIFY(!dialog.front->HasPicture());
            QVERIFY(dialog.back->HasPicture());
            dialog.deleteBack->click();
            QVERIFY(!dialog.back->HasPicture());
        }
    }

    // The dialog shows the cover its item has stored.
    void storedCoverShown()
    {
        QByteArray png;
        QBuffer buffer(&png);
        QVERIFY(buffer.open(QIODevice::WriteOnly));
        QVERIFY(QImage(20, 30, QImage::Format_RGB32).save(&buffer, "PNG"));
        const QString path = m_store->path(QStringLiteral("stored.png"));
        QVERIFY(AnsiText::WriteFileBytes(path, png));
        QVERIFY(gMedias->Item("E1")->AddFrontCover(path));
        bool front = false, back = true;
        frmMedia media;
        AnswerModal([&](QWidget* dialog) {
            auto* m = qobject_cast<frmMedia*>(dialog);
            front = m->imgEFrontCover->HasPicture();
            back = m->imgEBackCover->HasPicture();
            m->cmdCancel->click();
        });
        media.EditMedia("E1");
        QVERIFY(gMedias->Item("E1")->DeleteFrontCover());
        QVERIFY(front);
        QVERIFY(!back);
    }

    void boxEditor()
    {
        frmBox form;
        for (const char* name : {"tbBox",
                                 "lblBName",
                                 "txtBName",
                                 "lblBSorting",
                                 "txtBSort",
                                 "lblBUCP",
                                 "txtBUCP",
                                 "cboExtras",
                                 "cmdAddExtra",
                                 "cdmRemoveExtras",
                                 "lstExtras",
                                 "imgBFrontCover",
                                 "imgBBackCover",
                                 "cmdAddFrontCover",
                                 "cdmDeleteFrontCover",
                                 "cmdAddBackCover",
                                 "cmdDeleteBackCover",
                                 "lblParent",
                                 "cboParent",
                                 "cmdOk",
                                 "cmdCancel"}) {
            QVERIFY2(form.findChild<QWidget*>(QLatin1String(name)), name);
        }
        CheckTabs(form.tbBox);

        form.BoxParent("S1");
        QString caption, parent, invalid, empty, refusal;
        QStringList places;
        bool openAfterRefusal = false;
        QString nameAfterRefusal;
        AnswerModal([&](QWidget* dialog) {
            auto* b = qobject_cast<frmBox*>(dialog);
            caption = b->windowTitle();
            parent = b->cboParent->SelectedKey();
            for (int i = 0; i < b->cboParent->count(); ++i) {
                places << b->cboParent->itemData(i, ParentCombo::kKeyRole).toString();
            }
            b->txtBName->setText(QStringLiteral("The Box \u2713"));
            // Text the store cannot hold is refused at once, fields kept as typed.
            AnswerBox(&refusal);
            b->cmdOk->click();
            openAfterRefusal = b->isVisible();
            nameAfterRefusal = b->txtBName->text();
            b->txtBName->setText("The Box");
            // The code is always needed: an invalid one is refused, an empty one asked about.
            b->txtBUCP->setText("036000291453");
            AnswerBox(&invalid);
            b->cmdOk->click();
            b->txtBUCP->clear();
            AnswerBox(&empty, QMessageBox::Yes);
            b->cmdOk->click();
        });
        const QString key = form.EditBox(QString());
        QCOMPARE(caption, QStringLiteral("<New box>"));
        QCOMPARE(parent, QStringLiteral("S1"));
        QCOMPARE(places, (QStringList{"!0", "C1", "S1"}));
        QVERIFY(refusal.contains(QStringLiteral("\"Name\"")));
        QVERIFY(openAfterRefusal);
        QCOMPARE(nameAfterRefusal, QStringLiteral("The Box \u2713"));
        QVERIFY(invalid.endsWith(ProductCodeGate::InvalidCodeMessage()));
        QVERIFY(empty.endsWith(ProductCodeGate::EmptyCodeQuestion()));
        QCOMPARE(key, QStringLiteral("B2"));
        QCOMPARE(gBoxes->Item(key)->strName(), QStringLiteral("The Box"));
        QCOMPARE(gBoxes->Item(key)->strSortKey(), QStringLiteral("BOX, THE"));
        QCOMPARE(gBoxes->Item(key)->lngParentType(), 2);

        // An existing box: a valid code is locked; Cancel and the close box return its key and write nothing.
        bool locked = false;
        AnswerModal([&locked](QWidget* dialog) {
            auto* b = qobject_cast<frmBox*>(dialog);
            locked = b->txtBUCP->IsLocked();
            b->txtBName->setText("Changed");
            b->cmdCancel->click();
        });
        QCOMPARE(form.EditBox("B1"), QStringLiteral("B1"));
        QVERIFY(locked);
        AnswerModal([](QWidget* dialog) { dialog->close(); });
        QCOMPARE(form.EditBox("B1"), QStringLiteral("B1"));
        QCOMPARE(gBoxes->Item("B1")->strName(), QStringLiteral("Zeta Box"));
    }

    void boxWorkshop()
    {
        frmBoxWorkshop workshop;
        QCOMPARE(workshop.windowTitle(), QStringLiteral("Box workshop"));
        QVERIFY(!workshop.cmdOk->isDefault() && !workshop.cmdOk->autoDefault());
        QString none, sum, discs;
        bool dividedEnabled = true;
        QString proposal, kept;
        AnswerModal([&](QWidget* dialog) {
            auto* w = qobject_cast<frmBoxWorkshop*>(dialog);
            dividedEnabled = w->txtEpDivided->isEnabled();
            AnswerBox(&none);
            w->cmdOk->click();
            w->txtList->setPlainText("One\nTwo\n\n  \nThree\nFour\nFive\nSix\nSeven\nEight\nNine\nTen");
            // "..." on ten lines and three discs; a cancelled question is no number.
            AnswerModal([&discs](QWidget* ask) {
                AnswerBox(&discs);
                qobject_cast<QInputDialog*>(ask)->reject();
            });
            w->cmdDivide->click();
            AnswerModal([](QWidget* ask) {
                auto* input = qobject_cast<QInputDialog*>(ask);
                input->setTextValue("3");
                input->accept();
            });
            w->cmdDivide->click();
            proposal = w->txtEpDivided->text();
            w->chkSeveralDiscs->click();
            w->txtEpDivided->setText("5;4;");
            AnswerBox(&sum);
            w->cmdOk->click();
            w->txtEpDivided->setText("5;5;0; ");
            w->cmdOk->click();
            kept = w->txtEpDivided->text();
        });
        const std::optional<QStringList> list = workshop.GetEpisodeList();
        QVERIFY(!dividedEnabled);
        QCOMPARE(none, Workshops::ErrorTitle() + u'|' + Workshops::NoLinesMessage());
        QCOMPARE(discs, Workshops::ErrorTitle() + u'|' + Workshops::NoDiscsMessage());
        QCOMPARE(proposal, QStringLiteral("5;5;0;"));
        QCOMPARE(sum, QStringLiteral("Vidsora|") + Workshops::SumMessage());
        QCOMPARE(kept, QStringLiteral("5;5;0"));
        QVERIFY(list);
        QCOMPARE(list->size(), 11);
        QCOMPARE(list->last(), QStringLiteral("5;5;0"));

        // Each opening starts empty; unticked gives "1"; Cancel and the close box give none, lines or not.
        QString listAtOpen = "x";
        AnswerModal([&listAtOpen](QWidget* dialog) {
            auto* w = qobject_cast<frmBoxWorkshop*>(dialog);
            listAtOpen = w->txtList->toPlainText() + w->txtEpDivided->text();
            w->txtList->setPlainText("Only");
            w->cmdOk->click();
        });
        QCOMPARE(workshop.GetEpisodeList(), std::optional<QStringList>(QStringList{"Only", "1"}));
        QCOMPARE(listAtOpen, QString());
        AnswerModal([](QWidget* dialog) {
            auto* w = qobject_cast<frmBoxWorkshop*>(dialog);
            w->txtList->setPlainText("Only");
            w->cmdCancel->click();
        });
        QVERIFY(!workshop.GetEpisodeList());
        AnswerModal([](QWidget* dialog) {
            qobject_cast<frmBoxWorkshop*>(dialog)->txtList->setPlainText("Only");
            dialog->close();
        });
        QVERIFY(!workshop.GetEpisodeList());
    }

    void mediaWorkshop()
    {
        frmMediaWorkshop workshop;
        QCOMPARE(workshop.windowTitle(), QStringLiteral("Media workshop"));
        QString none;
        AnswerModal([&none](QWidget* dialog) {
            auto* w = qobject_cast<frmMediaWorkshop*>(dialog);
            AnswerBox(&none);
            w->cmdOk->click();
            w->txtList->setPlainText("A\n\n   \n B ");
            w->cmdOk->click();
        });
        QCOMPARE(workshop.GetEpisodeList(), std::optional<QStringList>(QStringList{"A", " B "}));
        QCOMPARE(none, Workshops::ErrorTitle() + u'|' + Workshops::NoLinesMessage());
        AnswerModal([](QWidget* dialog) {
            qobject_cast<frmMediaWorkshop*>(dialog)->txtList->setPlainText("A");
            dialog->close();
        });
        QVERIFY(!workshop.GetEpisodeList());
    }

    // Keys as a desktop user presses them: Enter in the extras box adds its text and never ends the dialog, a tab
    // change puts the focus on the tab's first control, each access key reaches one control, and the medium's option
    // group is one Tab stop whose arrow keys move the choice.

    void keyboard()
    {
        QStringList clashes;
        {
            frmBoxWorkshop boxWorkshop;
            frmMediaWorkshop mediaWorkshop;
            frmCategory category;
            frmGroup group;
            for (QWidget* window : std::initializer_list<QWidget*>{&boxWorkshop, &mediaWorkshop, &category, &group}) {
                clashes << AccessKeyClashes(window);
            }
        }
        QHash<QString, QString> focused;
        QString medium;
        QStringList mediaExtras, boxExtras;
        frmMedia media;
        AnswerModal([&](QWidget* dialog) {
            auto* m = qobject_cast<frmMedia*>(dialog);
            QVERIFY(QTest::qWaitForWindowActive(m));
            clashes << AccessKeyClashes(m);
            m->txtEUCP->setFocus();
            QTest::keyClick(m->txtEUCP, Qt::Key_Tab);
            focused.insert("Tab", FocusName(m));
            QTest::keyClick(m->focusWidget(), Qt::Key_Right);
            focused.insert("Right", FocusName(m));
            medium = m->ctlMediaData->dMedia().strMedia;
            QTest::keyClick(m, Qt::Key_X, Qt::AltModifier);
            focused.insert("Extras", FocusName(m));
            m->cboExtras->setEditText("Booklet");
            QTest::keyClick(m->cboExtras, Qt::Key_Return);
            QVERIFY(m->isVisible());
            mediaExtras = Texts(m->lstExtras);
            QTest::mouseClick(m->tbMedia->tabBar(), Qt::LeftButton, {}, m->tbMedia->tabBar()->tabRect(2).center());
            focused.insert("Cover", FocusName(m));
            m->cmdCancel->click();
        });
        QCOMPARE(media.EditMedia("E1"), QStringLiteral("E1"));
        QCOMPARE(focused.value("Tab"), QStringLiteral("optLD")); // the medium's choice, not the group's first
        QCOMPARE(focused.value("Right"), QStringLiteral("optVHS"));
        QCOMPARE(medium, QStringLiteral("VHS"));
        QCOMPARE(focused.value("Extras"), QStringLiteral("cboExtras"));
        QCOMPARE(mediaExtras, QStringList{"Booklet"});
        QCOMPARE(focused.value("Cover"), QStringLiteral("cmdAddFrontCover"));

        frmBox box;
        focused.clear();
        AnswerModal([&](QWidget* dialog) {
            auto* b = qobject_cast<frmBox*>(dialog);
            QVERIFY(QTest::qWaitForWindowActive(b));
            clashes << AccessKeyClashes(b);
            QTest::keyClick(b, Qt::Key_X, Qt::AltModifier);
            focused.insert("Extras", FocusName(b));
            b->cboExtras->setEditText("Trailer");
            QTest::keyClick(b->cboExtras, Qt::Key_Enter);
            QVERIFY(b->isVisible());
            boxExtras = Texts(b->lstExtras);
            QTest::keyClick(b, Qt::Key_G, Qt::AltModifier);
            focused.insert("General", FocusName(b));
            b->cmdCancel->click();
        });
        QCOMPARE(box.EditBox("B1"), QStringLiteral("B1"));
        QCOMPARE(focused.value("Extras"), QStringLiteral("cboExtras"));
        QCOMPARE(boxExtras, QStringList{"Trailer"});
        QCOMPARE(focused.value("General"), QStringLiteral("txtBName"));
        QVERIFY2(clashes.isEmpty(), qPrintable(clashes.join(u'\n')));
    }
};

int main(int argc, char** argv)
{
    TestWorld::SetUpEnvironment();
    QApplication app(argc, argv);
    TestMediaBoxDialogs test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_mediaboxdialogs.moc"
