// Wiring of the movie editor: the nine tabs and their controls, pick lists, OK, Cancel and the close box, the
// product-code questions, the media block following the parent, and template mode.

#include "editors/CoverPicture.h"
#include "editors/ParentCombo.h"
#include "editors/ProductCodeField.h"
#include "editors/ctlMedia.h"
#include "editors/frmMovie.h"

#include "AccessKeys.h"
#include "AnsiText.h"
#include "CMovie.h"
#include "CollectionWorld.h"
#include "Component.h"
#include "ModalAnswerer.h"
#include "core/PickLists.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>

#include <map>

using PickLists::PickList;
using TestSupport::AccessKeyClashes;
using TestSupport::AnswerModal;

namespace {

const QString kValidCode = QStringLiteral("036000291452");

frmMovie* Movie(QWidget* dialog)
{
    return qobject_cast<frmMovie*>(dialog);
}

// Answers the message box the next step opens with the button given, remembering its text.
void AnswerBox(QString* text, QMessageBox::StandardButton button)
{
    AnswerModal([text, button](QWidget* widget) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        QVERIFY(box);
        *text = box->windowTitle() + u'|' + box->text();
        box->button(button)->click();
    });
}

QStringList Texts(const QListWidget* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) {
        texts << list->item(i)->text();
    }
    return texts;
}

} // namespace

class TestMovieDialog : public QObject
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
        QVERIFY(PickLists::WriteFileText(PickLists::PickList::Picture, "  16:9 \r\n\r\nFull frame\r\n16:9"));
        QVERIFY(PickLists::WriteFileText(PickLists::PickList::LangSpoken, "English\r\nGerman"));
        QVERIFY(PickLists::WriteFileText(PickLists::PickList::Audio, "Stereo\r\nMono"));
        m_store = std::make_unique<TestWorld::CollectionStore>();
        TestWorld::AddCategory("Comedy");                // C1
        TestWorld::AddMedia("Laser Disc", "!0", "LD");   // E1
        TestWorld::AddMovie("Coded Movie", "C1", "DVD"); // M1
        TestWorld::AddMovie("Disc Movie", "E1", "VHS");  // M2
        gMovies->Item("M1")->setStrUPC(kValidCode);
        gMovies->Update("M1");
        TestWorld::LoadCollections(Db());
        BuildChildLists();
    }

    // Each tab's access key shows its frame with the controls the user works there, puts the focus on the first of
    // them, and the place, OK and Cancel stay below every tab.
    void tabs_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QStringList>("controls");
        const auto row = [](int index, const char* key, const char* caption, const char* frame, const char* focus,
                            const QStringList& controls) {
            QTest::newRow(key) << index << QString(key) << QString(caption) << QString(frame) << QString(focus)
                               << controls;
        };
        row(0, "General", "&General", "fraGeneral", "txtTitle",
            {"txtTitle", "txtLabel", "txtMSorting", "txtMUCP", "cboSystem", "txtCountry", "txtYear", "txtLength",
             "cboStudios", "txtWebsite", "cmdSurfTo", "fraPicture", "cboPicture", "lstPicture", "cmdAddPictureFormat",
             "cmdRemovePictureFormat"});
        row(1, "Media", "&Media", "fraMedia", "optDVD", {"ctlMediaData"});
        row(2, "Language", "&Language", "fraLanguage", "cboSpokenLanguage",
            {"fraSpoken", "cboSpokenLanguage", "cboSoundmix", "cmdAddSpokenLanguage", "cmdRemoveSpokenLanguage",
             "lstAudio", "fraSubtitles", "cboSubtitles", "cmdAddSubtitles", "cmdRemoveSubtitles", "lstSubtitles"});
        row(3, "Cast", "C&ast", "fraCast", "txtCast", {"txtCast"});
        row(4, "Crew", "C&rew", "fraCrew", "txtWriter", {"txtWriter", "txtDirector", "txtProducer"});
        row(5, "Extras", "E&xtras", "fraExtras", "cboExtras",
            {"cboExtras", "cmdAddExtra", "cdmRemoveExtras", "lstExtras"});
        row(6, "Synopsis", "&Synopsis", "fraSynopsis", "txtSynopsis", {"txtSynopsis"});
        row(7, "Notes", "&Notes", "fraNotes", "txtNotes", {"txtNotes"});
        row(8, "Cover", "Co&ver", "fraCover", "cmdAddFrontCover",
            {"imgMFrontCover", "imgMBackCover", "cmdAddFrontCover", "cmdDeleteFrontCover", "cmdAddBackCover",
             "cmdDeleteBackCover"});
    }
    void tabs()
    {
        QFETCH(int, index);
        QFETCH(QString, caption);
        QFETCH(QStringList, controls);
        frmMovie form;
        int shown = -1, count = 0;
        QString key, text, frame, focus;
        QStringList missing;
        AnswerModal([&](QWidget* dialog) {
            frmMovie* m = Movie(dialog);
            QVERIFY(QTest::qWaitForWindowActive(m));
            count = m->tbMovie->count();
            // From another tab, so that the key changes it.
            m->tbMovie->setCurrentIndex(index == 0 ? count - 1 : 0);
            const QChar letter = caption.at(caption.indexOf(u'&') + 1).toUpper();
            QTest::keyClick(m, char(letter.unicode()), Qt::AltModifier);
            shown = m->tbMovie->currentIndex();
            key = m->tbMovie->tabBar()->tabData(shown).toString();
            text = m->tbMovie->tabText(shown);
            QWidget* page = m->tbMovie->currentWidget();
            frame = page->objectName();
            focus = m->focusWidget() ? m->focusWidget()->objectName() : QString();
            for (const QString& name : controls) {
                const QWidget* control = page->findChild<QWidget*>(name);
                if (!control || !control->isVisible()) {
                    missing << name;
                }
            }
            for (const QWidget* foot : std::initializer_list<const QWidget*>{m->cboParent, m->cmdOk, m->cmdCancel}) {
                if (!foot->isVisible()) {
                    missing << foot->objectName();
                }
            }
            m->cmdCancel->click();
        });
        form.EditMovie("M1");
        QCOMPARE(count, 9);
        QCOMPARE(shown, index);
        QTEST(key, "key");
        QCOMPARE(text, caption);
        QTEST(frame, "frame");
        QTEST(focus, "focus");
        QCOMPARE(missing, QStringList());
    }

    // The cover box keeps its proportion at any screen resolution.
    void coverBoxProportion()
    {
        frmMovie form;
        const QSize box = form.imgMFrontCover->size();
        QVERIFY(qAbs(box.width() * 286 - box.height() * 209) <= 286);
    }

    void newMovieWithOk()
    {
        frmMovie form;
        form.MovieParent("C1");
        QString caption, parent, question;
        QStringList pictures;
        AnswerModal([&](QWidget* dialog) {
            frmMovie* m = Movie(dialog);
            caption = m->windowTitle();
            parent = m->cboParent->SelectedKey();
            for (int i = 0; i < m->PickCombo(PickList::Picture)->count(); ++i) {
                pictures << m->PickCombo(PickList::Picture)->itemText(i);
            }
            QCOMPARE(m->cboSystem->count(), 3);
            QTest::keyClicks(m->txtTitle, "The Matrix");
            QCOMPARE(m->txtMSorting->text(), QStringLiteral("MATRIX, THE"));
            // The same language and mix twice, once in other letters and blanks: one entry.
            m->PickCombo(PickList::LangSpoken)->setEditText("English");
            m->PickCombo(PickList::Audio)->setEditText("Stereo");
            m->cmdAddSpokenLanguage->click();
            m->PickCombo(PickList::LangSpoken)->setEditText(" english");
            m->PickCombo(PickList::Audio)->setEditText("STEREO  ");
            m->cmdAddSpokenLanguage->click();
            QCOMPARE(m->lstAudio->count(), 1);
            m->ctlMediaData->findChild<QRadioButton*>("optDVD")->click();
            // An empty code asks first; No keeps the dialog open.
            AnswerBox(&question, QMessageBox::No);
            m->cmdOk->click();
            QVERIFY(m->isVisible());
            m->txtMUCP->setText(kValidCode);
            m->cmdOk->click();
        });
        const QString key = form.EditMovie(QString());
        QCOMPARE(caption, QStringLiteral("<New movie>"));
        QCOMPARE(parent, QStringLiteral("C1"));
        QCOMPARE(pictures, (QStringList{"16:9", "Full frame", "16:9"}));
        QVERIFY(question.endsWith(ProductCodeGate::EmptyCodeQuestion()));
        QCOMPARE(key, QStringLiteral("M3"));
        const auto movie = gMovies->Item(key);
        QCOMPARE(movie->strSoundmix(), QStringLiteral("English Stereo"));
        QCOMPARE(movie->strUPC(), kValidCode);
        QCOMPARE(movie->dMedia().strMedia, QStringLiteral("DVD"));
        QCOMPARE(movie->lngParentType(), 1);
    }

    void cancelAndCloseBox()
    {
        frmMovie form;
        bool busy = true;
        AnswerModal([&busy](QWidget* dialog) {
            // The hourglass of the loading is gone once the dialog takes input.
            busy = QApplication::overrideCursor() != nullptr;
            Movie(dialog)->cmdCancel->click();
        });
        QCOMPARE(form.EditMovie("M2"), QString());
        QVERIFY(!busy);
        AnswerModal([](QWidget* dialog) { dialog->close(); });
        QCOMPARE(form.EditMovie("M2"), QStringLiteral("M2"));
    }

    void unlockQuestion()
    {
        frmMovie form;
        QString first, second;
        bool lockedAfterNo = false, lockedAfterYes = true;
        QString textAfterNo;
        AnswerModal([&](QWidget* dialog) {
            frmMovie* m = Movie(dialog);
            QVERIFY(m->txtMUCP->IsLocked());
            QVERIFY(m->txtMUCP->isReadOnly());
            QVERIFY(m->txtMUCP->isEnabled());
            AnswerBox(&first, QMessageBox::No);
            QTest::keyClick(m->txtMUCP, Qt::Key_5);
            lockedAfterNo = m->txtMUCP->IsLocked();
            textAfterNo = m->txtMUCP->text();
            AnswerBox(&second, QMessageBox::Yes);
            QTest::keyClick(m->txtMUCP, Qt::Key_5);
            lockedAfterYes = m->txtMUCP->IsLocked();
            m->cmdCancel->click();
        });
        QCOMPARE(form.EditMovie("M1"), QString());
        QCOMPARE(first, ProductCodeGate::UnlockTitle() + u'|' + ProductCodeGate::UnlockQuestion());
        QCOMPARE(second, first);
        QVERIFY(lockedAfterNo);
        QCOMPARE(textAfterNo, kValidCode);
        QVERIFY(!lockedAfterYes);
    }

    void mediaBlockFollowsTheParent()
    {
        frmMovie form;
        bool lockedOnMedium = false, lockedInCategory = true, laserShown = false, laserKept = false;
        QString question;
        AnswerModal([&](QWidget* dialog) {
            frmMovie* m = Movie(dialog);
            auto* laser = m->ctlMediaData->findChild<QRadioButton*>("optLD");
            lockedOnMedium = m->ctlMediaData->Locked() && !laser->isEnabled();
            laserShown = laser->isChecked();
            const int category = m->cboParent->FindKey("C1");
            m->cboParent->setCurrentIndex(category);
            emit m->cboParent->activated(category);
            lockedInCategory = m->ctlMediaData->Locked();
            laserKept = laser->isChecked();
            // In a category the movie needs a code again: the empty-code question, answered Yes.
            AnswerBox(&question, QMessageBox::Yes);
            m->cmdOk->click();
        });
        QCOMPARE(form.EditMovie("M2"), QStringLiteral("M2"));
        QVERIFY(lockedOnMedium);
        QVERIFY(laserShown);
        QVERIFY(!lockedInCategory);
        QVERIFY(laserKept);
        QVERIFY(question.endsWith(ProductCodeGate::EmptyCodeQuestion()));
        // Moved out of the medium, the shown description becomes the movie's own.
        QCOMPARE(gMovies->Item("M2")->dMedia().strMedia, QStringLiteral("Laserdisc"));
        QCOMPARE(gMovies->Item("M2")->lngParentType(), 1);
    }

    void productCodeColours()
    {
        ProductCodeField field(ProductCodeGate::Editor::Movie);
        const QColor normalBase = field.palette().color(QPalette::Base);
        field.SetContext("!0", false);
        field.setText("036000291453");
        QCOMPARE(field.palette().color(QPalette::Base), QColor(255, 0, 0));
        field.SetContext("B1", false);
        QCOMPARE(field.palette().color(QPalette::Base), normalBase);
        QCOMPARE(field.palette().color(QPalette::Text), QColor(125, 125, 125));

        // Without the checker: no colour, no lock, and the tooltip says so.
        ProductCodeField bare(std::make_unique<ProductCodeGate>(ProductCodeGate::Editor::Movie, nullptr));
        bare.SetDesignedToolTip("designed");
        QCOMPARE(bare.toolTip(), ProductCodeGate::CheckerMissingToolTip());
        bare.SetContext("!0", false);
        bare.LoadCode(kValidCode, "!0");
        QVERIFY(!bare.IsLocked());
        bare.setText("036000291453");
        QCOMPARE(bare.palette().color(QPalette::Base), normalBase);
        QVERIFY(bare.PassesOkGate()); // only an empty code would ask
    }

    void mediaControlAllowsNone()
    {
        ctlMedia control;
        for (int n = 1; n <= 6; ++n) {
            auto* box = control.findChild<QCheckBox*>(QStringLiteral("chkRegion%1").arg(n));
            QVERIFY(box && !box->isChecked() && !box->isTristate());
        }
        control.setDMedia({"dvd", "DVD-9", "2, 5", "", "JEWEL"});
        QVERIFY(control.findChild<QRadioButton*>("optDVD")->isChecked());
        control.setDMedia({"Betamax", "", "", "", ""});
        for (const MediaOption& option : MediaKindOptions()) {
            QVERIFY2(!control.findChild<QRadioButton*>(option.name)->isChecked(), qPrintable(option.name));
        }
        control.findChild<QRadioButton*>("optVHS")->click();
        control.findChild<QRadioButton*>("optVHS")->click(); // a second click keeps it selected
        QCOMPARE(control.dMedia().strMedia, QStringLiteral("VHS"));
        control.findChild<QRadioButton*>("optDVD")->click();
        QVERIFY(!control.findChild<QRadioButton*>("optVHS")->isChecked());
        control.setLocked(true);
        QVERIFY(!control.findChild<QRadioButton*>("optDVD")->isEnabled());
        QVERIFY(!control.findChild<QCheckBox*>("chkRegion1")->isEnabled());
    }

    void templateMode()
    {
        frmMovie form;
        bool titleEnabled = true, parentEnabled = true;
        QString caption, opened;
        AnswerModal([&](QWidget* dialog) {
            frmMovie* m = Movie(dialog);
            caption = m->windowTitle();
            titleEnabled = m->txtTitle->isEnabled();
            parentEnabled = m->cboParent->isEnabled();
            m->txtCountry->setText("Norway");
            // Keys reach a field: the first one open to input has the focus, and an access key pressed on the tab
            // bar moves it to the tab's first control, where a typed language and Enter add an entry.
            QVERIFY(QTest::qWaitForWindowActive(m));
            opened = m->focusWidget() ? m->focusWidget()->objectName() : QString();
            m->tbMovie->tabBar()->setFocus(Qt::BacktabFocusReason);
            QTest::keyClick(m->focusWidget(), Qt::Key_L, Qt::AltModifier);
            QTest::keyClicks(m->focusWidget(), "Danish");
            QTest::keyClick(m->focusWidget(), Qt::Key_Return);
            if (m->isVisible()) {
                m->cmdOk->click(); // no code is needed for a template
            }
        });
        const int count = gMovies->Count();
        std::unique_ptr<CMovie> movie = form.MakeTemplate();
        QVERIFY(movie);
        QCOMPARE(caption, QStringLiteral("<New Movie Template>"));
        QVERIFY(!titleEnabled);
        QVERIFY(!parentEnabled);
        QCOMPARE(movie->strCountry(), QStringLiteral("Norway"));
        QCOMPARE(opened, QStringLiteral("cboSystem"));
        QCOMPARE(movie->strSoundmix(), QStringLiteral("Danish"));
        QCOMPARE(gMovies->Count(), count);

        AnswerModal([](QWidget* dialog) { Movie(dialog)->cmdCancel->click(); });
        QVERIFY(!form.MakeTemplate());
    }

    // Keys as a desktop user presses them: Enter in a pick-list box adds its text, empties the box for the next entry
    // and never ends the dialog, a tab change puts the focus on the tab's first control, each access key reaches one
    // control, and the option groups of the media block are one Tab stop each with the arrow keys moving the choice.
    void keyboard()
    {
        frmMovie form;
        QStringList clashes;
        QStringList audio, subtitles, pictures, extras;
        QHash<QString, QString> focused;
        QString dvdType;
        AnswerModal([&](QWidget* dialog) {
            frmMovie* m = Movie(dialog);
            QVERIFY(QTest::qWaitForWindowActive(m));
            clashes = AccessKeyClashes(m);
            // Typed after tabbing in (which selects what the box holds), or on in the box that has the focus.
            const auto enter = [m](QComboBox* combo, const QString& text) {
                combo->setFocus(Qt::TabFocusReason);
                QTest::keyClicks(combo, text);
                QTest::keyClick(combo, Qt::Key_Return);
                QVERIFY2(m->isVisible(), qPrintable(combo->objectName()));
            };
            enter(m->PickCombo(PickList::Picture), "Widescreen");
            m->tbMovie->setCurrentWidget(m->fraLanguage);
            m->PickCombo(PickList::LangSpoken)->setEditText("German");
            enter(m->PickCombo(PickList::Audio), "Mono");
            m->PickCombo(PickList::Audio)->setEditText("DTS");
            enter(m->PickCombo(PickList::LangSpoken), "French");
            enter(m->PickCombo(PickList::LangSub), "Danish");
            enter(m->PickCombo(PickList::LangSub), "Finnish");
            m->tbMovie->setCurrentWidget(m->fraExtras);
            enter(m->PickCombo(PickList::Extras), "Trailer");
            audio = Texts(m->lstAudio);
            subtitles = Texts(m->lstSubtitles);
            pictures = Texts(m->lstPicture);
            extras = Texts(m->lstExtras);

            // By mouse and by access key; the focus starts on a control of another tab each time.
            const auto name = [m] { return m->focusWidget() ? m->focusWidget()->objectName() : QString(); };
            QTest::mouseClick(m->tbMovie->tabBar(), Qt::LeftButton, {}, m->tbMovie->tabBar()->tabRect(3).center());
            focused.insert("Cast", name());
            QTest::keyClick(m, Qt::Key_L, Qt::AltModifier);
            focused.insert("Language", name());
            QTest::keyClick(m, Qt::Key_M, Qt::AltModifier);
            focused.insert("Media", name());
            // The medium's group is one stop: Tab goes on to the DVD type, whose Right arrow picks the next type.
            QTest::keyClick(m->focusWidget(), Qt::Key_Tab);
            focused.insert("Tab", name());
            QTest::keyClick(m->focusWidget(), Qt::Key_Right);
            focused.insert("Right", name());
            dvdType = m->ctlMediaData->dMedia().strDVDType;
            QTest::keyClick(m, Qt::Key_V, Qt::AltModifier);
            focused.insert("Cover", name());
            m->cmdCancel->click();
        });
        QCOMPARE(form.EditMovie("M1"), QString());
        QVERIFY2(clashes.isEmpty(), qPrintable(clashes.join(u'\n')));
        QCOMPARE(pictures, QStringList{"Widescreen"});
        QCOMPARE(audio, (QStringList{"German Mono", "French DTS"}));
        QCOMPARE(subtitles, (QStringList{"Danish", "Finnish"}));
        QCOMPARE(extras, QStringList{"Trailer"});
        QCOMPARE(focused.value("Cast"), QStringLiteral("txtCast"));
        QCOMPARE(focused.value("Language"), QStringLiteral("cboSpokenLanguage"));
        QCOMPARE(focused.value("Media"), QStringLiteral("optDVD")); // the medium is a DVD
        QCOMPARE(focused.value("Tab"), QStringLiteral("optDVD5"));  // no type chosen: the group's first
        QCOMPARE(focused.value("Right"), QStringLiteral("optDVD9"));
        QCOMPARE(dvdType, QStringLiteral("DVD-9"));
        QCOMPARE(focused.value("Cover"), QStringLiteral("cmdAddFrontCover"));
    }

    // The "Go" button is offered only for an address the desktop's browser would be given.
    void goButtonOnlyForAnAddress()
    {
        frmMovie form;
        QList<bool> enabled;
        AnswerModal([&](QWidget* dialog) {
            frmMovie* m = Movie(dialog);
            for (const char* text : {"see the box", "www.example.com", "ftp://example.com", "https://example.com"}) {
                m->txtWebsite->setText(QString::fromLatin1(text));
                enabled << m->cmdSurfTo->isEnabled();
            }
            m->cmdCancel->click();
        });
        form.EditMovie("M1");
        QCOMPARE(enabled, (QList<bool>{false, true, false, true}));
    }

    // Every field of the movie's list goes from the stored movie into the dialog and comes back unchanged through OK:
    // a field the dialog does not show, or does not read back, would be lost on the next save. (Last: it fills M1.)
    void everyFieldComesBack()
    {
        const auto fields = CMovie::Fields();
        const auto stored = gMovies->Item("M1");
        // A value of its own for each field, as the store holds it; the description is the media block's choices.
        const std::map<MovieField, QString> fixed{{MovieField::UPC, kValidCode},  {MovieField::Year, "1987"},
                                                  {MovieField::Media, "DVD"},     {MovieField::DVDRegion, "25"},
                                                  {MovieField::DVDType, "DVD-9"}, {MovieField::DVDCase, "Snapper"},
                                                  {MovieField::LDType, "CLV"}};
        QHash<size_t, QString> values;
        for (size_t f = 0; f < fields.size(); ++f) {
            if (!fields[f].text) {
                continue;
            }
            const QString key = QString::fromLatin1(fields[f].key);
            const bool lines = fields[f].form != FieldForm::Line;
            const auto given = fixed.find(MovieField(f));
            values[f] = given != fixed.end() ? given->second : lines ? key + " one\r\n" + key + " two" : key + " value";
            fields[f].setText(*stored, values[f]);
        }
        QHash<size_t, int> numbers;
        for (size_t f = 0; f < fields.size(); ++f) {
            if (fields[f].number) {
                numbers[f] = fields[f].number(*stored);
            }
        }
        QVERIFY(gMovies->Update("M1"));

        AnswerModal([](QWidget* dialog) {
            frmMovie* m = Movie(dialog);
            QVERIFY(QTest::qWaitForWindowExposed(m));
            QTest::mouseClick(m->windowHandle(), Qt::LeftButton, {}, m->cmdOk->mapTo(m, m->cmdOk->rect().center()));
        });
        frmMovie form;
        QCOMPARE(form.EditMovie("M1"), QStringLiteral("M1"));
        const auto saved = gMovies->Item("M1");
        QStringList lost;
        for (size_t f = 0; f < fields.size(); ++f) {
            if (fields[f].text && fields[f].text(*saved) != values[f]) {
                lost << QStringLiteral("%1: \"%2\" came back as \"%3\"")
                            .arg(QString::fromLatin1(fields[f].key), values[f], fields[f].text(*saved));
            }
            if (fields[f].number && fields[f].number(*saved) != numbers[f]) {
                lost << QString::fromLatin1(fields[f].key);
            }
        }
        QVERIFY2(lost.isEmpty(), qPrintable(lost.join(u'\n')));
    }
};

int main(int argc, char** argv)
{
    TestWorld::SetUpEnvironment();
    QApplication app(argc, argv);
    TestMovieDialog test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_moviedialog.moc"
