// The main window without its pages: tree filling in both views, tree events, command state, menus and toolbar,
// layout and splitter, find, reload and unload.

#include "BrowserPane.h"
#include "MainWindowWorld.h"
#include "core/CommandState.h"
#include "shell/frmMain.h"
#include "shell/frmSearch.h"
#include "shell/mMain.h"

#include "StoreLock.h"

#include <QAction>
#include <QDesktopServices>
#include <QDragMoveEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

#include <algorithm>
#include <memory>

#include "shell/frmAbout.h"

using namespace TestWorld;

class MainWindowTest : public QObject
{
    Q_OBJECT

public slots:
    // Stands in for the desktop's web browser.
    void openUrl(const QUrl& url) { m_opened.append(url); }

private slots:
    void init();
    void cleanup();

    void startUpShowsTheRoot();
    void fullTreeOrder();
    void nodeImages_data();
    void nodeImages();
    void movieTextAndTag();
    void flatView();
    void commandState_data();
    void commandState();
    void clickAndKeyboardSelect();
    void collapseShowsAndMarks();
    void rightClick();
    void dragOverSelects();
    void menusAndToolbar();
    void collectionOnline();
    void layoutAndSplitter();
    void findWalksInNodeOrder();
    void findNext_data();
    void findNext();
    void reloadKeepsBranchesAndSelection();
    void reloadAfterRemoval();
    void reloadTakesNoInput();
    void reloadCancelled();
    void reloadOpensTheStoreSafely_data();
    void reloadOpensTheStoreSafely();
    void reloadOfAnotherStoreCancelledKeepsTheLocks();
    void unloadRemovesTempFolder();
    void aboutOpens();

private:
    QTreeWidget* tree() const { return m_main->findChild<QTreeWidget*>("treeMovies"); }
    QAction* entry(const char* name) const { return m_main->findChild<QAction*>(name); }
    QString text(const char* label) const { return m_main->findChild<QLabel*>(label)->text(); }
    QTreeWidgetItem* node(const QString& key) const { return m_main->Node(key); }
    QStringList childTexts(const QString& key) const
    {
        QStringList texts;
        QTreeWidgetItem* n = node(key);
        for (int i = 0; n && i < n->childCount(); ++i) {
            texts << n->child(i)->text(0);
        }
        return texts;
    }
    QStringList expandedKeys() const
    {
        QStringList keys;
        for (QTreeWidgetItem* n : m_main->Nodes()) {
            if (n->isExpanded()) {
                keys << frmMain::NodeKey(n);
            }
        }
        return keys;
    }
    void select(const QString& key)
    {
        m_main->SelectNode(node(key));
        m_main->treeMovies_NodeClick(node(key));
    }
    QString keyFor(const QString& name) const;

    std::unique_ptr<CollectionStore> m_dir;
    QString m_dbDir;
    SampleStore m_store;
    std::unique_ptr<frmMain> m_main;
    QList<QUrl> m_opened;
};

QString MainWindowTest::keyFor(const QString& name) const
{
    return m_store.Key(name);
}

void MainWindowTest::init()
{
    m_dir = std::make_unique<CollectionStore>();
    m_dbDir = m_dir->db();
    m_store = LoadSample(m_dbDir);
    WriteRegSetting("User", "");
    m_main = std::make_unique<frmMain>();
    m_main->Load();
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
}

void MainWindowTest::cleanup()
{
    m_main.reset();
    mMain::CloseStore();
    m_dir.reset();
    m_opened.clear();
}

void MainWindowTest::startUpShowsTheRoot()
{
    QCOMPARE(m_main->strKey(), QString("!0"));
    QCOMPARE(text("pnLarge"), "Vidsora: Personal (" + GetVersionText() + ")");
    // Two items under the root, four in a category, three in groups (the lost movie counts with the groups).
    QCOMPARE(text("pnSmall"), QString("9 items"));
    QVERIFY(node("!0")->isExpanded());
    QVERIFY(tree()->selectedItems().isEmpty());
    QTRY_COMPARE(m_main->findChild<BrowserPane*>("webObject")->LocationURL(), QUrl("about:blank"));
    QVERIFY(QFileInfo(gTempFolder).isDir());
}

void MainWindowTest::fullTreeOrder()
{
    QVERIFY(entry("mnuFullStructure")->isChecked());
    QCOMPARE(childTexts("!0"),
             QStringList({"Comedy", "Drama", "Loose Group", "Alpha Movie (Director's Cut)", "Zeta Box", "Lost Movie"}));
    QCOMPARE(childTexts(m_store.comedy), QStringList({"Blank DVD", "Comedy Movie", "Laser Medium", "Spaced Laser"}));
    QCOMPARE(childTexts(m_store.drama), QStringList({"Classics"}));
    QCOMPARE(childTexts(m_store.classics), QStringList({"Classic Movie"}));
    QCOMPARE(childTexts(m_store.looseGroup), QStringList({"Group Box"}));
    QCOMPARE(childTexts(m_store.zetaBox), QStringList({"Box Disc", "Box Movie"}));
    QCOMPARE(childTexts(m_store.boxDisc), QStringList({"Deep Movie"}));
    // A group whose category is gone gets no node; a movie whose group is gone hangs under the root.
    QVERIFY(!node(m_store.orphanGroup));
    QCOMPARE(node(m_store.lostMovie)->parent(), node("!0"));
    QCOMPARE(m_main->Nodes().size(), 17);
    QCOMPARE(tree()->topLevelItemCount(), 1);
}

void MainWindowTest::nodeImages_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("image");
    QTest::addColumn<QString>("selectedImage");
    QTest::newRow("root") << "root"
                          << "imgVidsora"
                          << "";
    QTest::newRow("category") << "comedy"
                              << "imgCategoryClosed"
                              << "imgCategoryOpen";
    QTest::newRow("group") << "classics"
                           << "imgSubCategoryClosed"
                           << "imgSubCategoryOpen";
    QTest::newRow("box") << "zetaBox"
                         << "imgBoxClosed"
                         << "imgBoxOpen";
    QTest::newRow("laserdisc any case") << "laserMedium"
                                        << "imgLDClosed"
                                        << "imgLDOpen";
    QTest::newRow("laser disc with blank") << "spacedLaser"
                                           << "imgMediaClosed"
                                           << "imgMediaOpen";
    QTest::newRow("DVD with leading blank") << "blankDvd"
                                            << "imgMediaClosed"
                                            << "imgMediaOpen";
    QTest::newRow("DVD medium in a box") << "boxDisc"
                                         << "imgDVDClosed"
                                         << "imgDVDOpen";
    QTest::newRow("DVD movie") << "alphaMovie"
                               << "imgDVDClosed"
                               << "imgDVDOpen";
    QTest::newRow("movie in a medium") << "deepMovie"
                                       << "imgMovieClosed"
                                       << "imgMovieOpen";
    QTest::newRow("VHS movie in a box") << "boxMovie"
                                        << "imgVHSClosed"
                                        << "imgVHSOpen";
    QTest::newRow("lower-case svcd") << "comedyMovie"
                                     << "imgVCDClosed"
                                     << "imgVCDOpen";
    QTest::newRow("no media kind") << "classicMovie"
                                   << "imgMovieClosed"
                                   << "imgMovieOpen";
}

void MainWindowTest::nodeImages()
{
    QFETCH(QString, name);
    QFETCH(QString, image);
    QFETCH(QString, selectedImage);
    // The store trims its values, so a leading blank can only come from an item changed in memory.
    auto blank = gMedias->Item(m_store.blankDvd);
    mTypMediaInfo info = blank->dMedia();
    info.strMedia = " DVD";
    blank->setDMedia(info);
    m_main->FillTree();
    QTreeWidgetItem* n = node(keyFor(name));
    QVERIFY(n);
    QCOMPARE(n->data(0, frmMain::ImageRole).toString(), image);
    QCOMPARE(n->data(0, frmMain::SelectedImageRole).toString(), selectedImage);
    QCOMPARE(n->data(0, frmMain::ExpandedImageRole).toString(),
             name == "classics" ? QString("imgSubCategoryOpen") : QString());
    QVERIFY(!n->icon(0).isNull());
}

void MainWindowTest::movieTextAndTag()
{
    QTreeWidgetItem* alpha = node(m_store.alphaMovie);
    QCOMPARE(alpha->text(0), QString("Alpha Movie (Director's Cut)"));
    QCOMPARE(alpha->data(0, frmMain::TagRole).toString(), QString("Alpha Movie"));
    QTreeWidgetItem* classic = node(m_store.classicMovie);
    QCOMPARE(classic->text(0), QString("Classic Movie"));
    QCOMPARE(classic->data(0, frmMain::TagRole).toString(), QString("Classic Movie"));
    QCOMPARE(node(m_store.comedy)->data(0, frmMain::TagRole).toString(), QString("Comedy"));
}

void MainWindowTest::flatView()
{
    entry("mnuFullStructure")->trigger();
    QVERIFY(!entry("mnuFullStructure")->isChecked());
    for (const QString& key : {m_store.comedy, m_store.drama, m_store.classics, m_store.looseGroup}) {
        QVERIFY2(!node(key), qPrintable(key));
    }
    // One run in sort-key order; what sits in a box or medium stays there.
    QCOMPARE(childTexts("!0"),
             QStringList({"Alpha Movie (Director's Cut)", "Blank DVD", "Classic Movie", "Comedy Movie", "Group Box",
                          "Laser Medium", "Lost Movie", "Spaced Laser", "Zeta Box"}));
    QCOMPARE(childTexts(m_store.zetaBox), QStringList({"Box Disc", "Box Movie"}));
    QCOMPARE(childTexts(m_store.boxDisc), QStringList({"Deep Movie"}));
    QVERIFY(node("!0")->isExpanded());

    entry("mnuFullStructure")->trigger();
    QVERIFY(entry("mnuFullStructure")->isChecked());
    QCOMPARE(childTexts("!0").first(), QString("Comedy"));
    QCOMPARE(m_main->Nodes().size(), 17);
}

void MainWindowTest::commandState_data()
{
    QTest::addColumn<QString>("name");
    for (const char* name : {"root", "comedy", "classics", "zetaBox", "laserMedium", "boxDisc", "alphaMovie",
                             "classicMovie", "boxMovie", "deepMovie", "c1", "X1", ""}) {
        QTest::newRow(*name ? name : "empty key") << QString::fromLatin1(name);
    }
}

// Whatever the last selection left, a click sets every entry the selection governs as the command state says for
// the key clicked (its rules are tested without the window); entries outside keep their state.
void MainWindowTest::commandState()
{
    QFETCH(QString, name);
    select(m_store.zetaBox);
    const QString key = keyFor(name);
    QTreeWidgetItem stray;
    stray.setData(0, frmMain::KeyRole, key);
    m_main->treeMovies_NodeClick(node(key) ? node(key) : &stray);
    QCOMPARE(m_main->strKey(), key);

    const QStringList enabled = CommandState::EnabledCommands(key);
    for (const QString& command : CommandState::ManagedCommands()) {
        auto* a = m_main->findChild<QAction*>(command);
        QVERIFY2(a, qPrintable(command));
        QCOMPARE(a->isEnabled(), enabled.contains(command));
    }
    for (const char* always : {"mnuAddbox", "mnuUEFExport", "mnuPopupEdit", "btnPrint", "btnDelete", "btnUEFExport"}) {
        QVERIFY2(entry(always)->isEnabled(), always);
    }
}

void MainWindowTest::clickAndKeyboardSelect()
{
    QTreeWidget* t = tree();
    QTreeWidgetItem* alpha = node(m_store.alphaMovie);
    QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, t->visualItemRect(alpha).center());
    QTRY_COMPARE(m_main->strKey(), m_store.alphaMovie);
    QCOMPARE(text("pnLarge"), QString("Alpha Movie"));
    QVERIFY(alpha->isSelected());

    // The arrow keys select as a click does.
    t->setFocus();
    QTest::keyClick(t, Qt::Key_Down);
    QCOMPARE(m_main->strKey(), m_store.zetaBox);
    QCOMPARE(text("pnLarge"), QString("Zeta Box"));
    QVERIFY(entry("mnuExport")->isEnabled());
}

void MainWindowTest::collapseShowsAndMarks()
{
    QTreeWidgetItem* comedy = node(m_store.comedy);
    comedy->setExpanded(true);
    tree()->collapseItem(comedy);
    QCOMPARE(m_main->strKey(), m_store.comedy);
    QCOMPARE(text("pnLarge"), QString("Comedy"));
    QCOMPARE(tree()->selectedItems(), QList<QTreeWidgetItem*>({comedy}));
    QVERIFY(entry("mnuDelete")->isEnabled());
    QVERIFY(node("!0")->isExpanded());

    // The root never stays collapsed.
    tree()->collapseItem(node("!0"));
    QVERIFY(node("!0")->isExpanded());
    QCOMPARE(m_main->strKey(), QString("!0"));
    QCOMPARE(tree()->selectedItems(), QList<QTreeWidgetItem*>({node("!0")}));
}

void MainWindowTest::rightClick()
{
    QTreeWidget* t = tree();
    auto* popup = m_main->findChild<QMenu*>("mnuPopup");
    QVERIFY(popup);

    // Empty space below the last node: nothing happens.
    const QPoint empty(5, t->viewport()->height() - 3);
    QVERIFY(!t->itemAt(empty));
    QTest::mouseClick(t->viewport(), Qt::RightButton, {}, empty);
    QVERIFY(!popup->isVisible());
    QCOMPARE(m_main->strKey(), QString("!0"));

    // Right after start-up no node is marked: the root stands in, so a right click on it opens the popup only.
    QTest::mouseClick(t->viewport(), Qt::RightButton, {}, t->visualItemRect(node("!0")).center());
    QTRY_VERIFY(popup->isVisible());
    QCOMPARE(m_main->strKey(), QString("!0"));
    QVERIFY(!entry("mnuDelete")->isEnabled());
    popup->hide();

    QTreeWidgetItem* box = node(m_store.zetaBox);
    QTest::mouseClick(t->viewport(), Qt::RightButton, {}, t->visualItemRect(box).center());
    QTRY_VERIFY(popup->isVisible());
    QCOMPARE(m_main->strKey(), m_store.zetaBox);
    QVERIFY(box->isSelected());
    QCOMPARE(text("pnLarge"), QString("Zeta Box"));
    QVERIFY(entry("mnuDelete")->isEnabled());
    popup->hide();
}

// A dragged object passing over a node marks it and shows its item, as a click does.
void MainWindowTest::dragOverSelects()
{
    QTreeWidget* t = tree();
    QMimeData data;
    data.setText("Zeta");
    const QPoint at = t->visualItemRect(node(m_store.zetaBox)).center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(t->viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(t->viewport(), &move);
    QVERIFY(move.isAccepted());
    QCOMPARE(m_main->strKey(), m_store.zetaBox);
    QVERIFY(node(m_store.zetaBox)->isSelected());
    QCOMPARE(text("pnLarge"), QString("Zeta Box"));
    QVERIFY(entry("mnuDelete")->isEnabled());
}

void MainWindowTest::menusAndToolbar()
{
    QStringList titles;
    for (QAction* a : m_main->menuBar()->actions()) {
        if (a->isVisible()) {
            titles << a->text();
        }
    }
    QCOMPARE(titles, QStringList({"&File", "&View", "&Tools", "&Help"}));
    QVERIFY(!entry("mnuSave")->isEnabled());
    QCOMPARE(entry("mnuSave")->shortcut(), QKeySequence("Ctrl+S"));
    QVERIFY(!entry("mnuDoHelp")->isEnabled());
    QCOMPARE(entry("mnuFind")->shortcut(), QKeySequence("Ctrl+F"));
    QCOMPARE(entry("mnuRefresh")->shortcut(), QKeySequence("F5"));
    QVERIFY(!entry("mnuComUser")->isVisible());
    QVERIFY(!entry("mnuComAnnouncements")->isVisible());
    QVERIFY(!m_main->menuBar()->actions().contains(m_main->findChild<QMenu*>("mnuPopup")->menuAction()));

    auto* tobMain = m_main->findChild<QToolBar*>("tobMain");
    QStringList layout;
    for (QAction* a : tobMain->actions()) {
        layout << (a->isSeparator() ? QString("|") : a->objectName());
        if (!a->isSeparator()) {
            QVERIFY(a->text().isEmpty());
            QVERIFY(!a->icon().isNull());
        }
    }
    QCOMPARE(layout, QStringList({"btnPrint", "btnPreview", "|", "btnEdit", "btnDelete", "|", "btnOrbelImport",
                                  "btnOrbelExport", "|", "btnAddCategory", "btnAddSubcategory", "btnAddBox",
                                  "btnAddMedia", "btnAddMovie", "|", "btnUEFImport", "btnUEFExport"}));
    QCOMPARE(entry("btnDelete")->toolTip(), QString("Delete..."));
    QCOMPARE(entry("btnAddSubcategory")->toolTip(), QString("Add subcategory..."));
    QCOMPARE(entry("btnOrbelExport")->toolTip(), QString("Export to Vidsora: Online..."));
}

void MainWindowTest::collectionOnline()
{
    QDesktopServices::setUrlHandler("http", this, "openUrl");
    QDesktopServices::setUrlHandler("https", this, "openUrl");
    auto* tools = m_main->findChild<QMenu*>("mnuTools");
    QAction* online = entry("mnuCollectionOnline");

    QMetaObject::invokeMethod(tools, "aboutToShow");
    QVERIFY(!online->isEnabled());

    WriteRegSetting("User", "  Jo & Ann?#  ");
    QMetaObject::invokeMethod(tools, "aboutToShow");
    QVERIFY(online->isEnabled());
    online->trigger();
    QCOMPARE(m_opened.size(), 1);
    const QUrl url = m_opened.first();
    QCOMPARE(url.scheme(), QString("http"));
    // Without a setting the host lies under the reserved ".invalid" domain, where no stranger can answer.
    QCOMPARE(url.host(), QString("online.vidsora.invalid"));
    QCOMPARE(url.path(), QString("/index.asp"));
    // The blanks around the name are gone, the characters inside cannot leak into the address.
    QCOMPARE(url.query(QUrl::FullyEncoded), QString("Collection=Jo%20%26%20Ann%3F%23"));
    QVERIFY(url.fragment().isEmpty());

    // The page lives on the host the user set for the online service.
    WriteRegSetting("OnlineHost", "collection.example.org");
    online->trigger();
    QCOMPARE(m_opened.size(), 2);
    QCOMPARE(m_opened.last().host(), QString("collection.example.org"));
    WriteRegSetting("OnlineHost", "");

    WriteRegSetting("User", "   ");
    QMetaObject::invokeMethod(tools, "aboutToShow");
    QVERIFY(online->isEnabled());
    QDesktopServices::unsetUrlHandler("http");
    QDesktopServices::unsetUrlHandler("https");
}

void MainWindowTest::layoutAndSplitter()
{
    const double tpp = m_main->TwipsPerPixel();
    auto* client = m_main->centralWidget();
    auto* bar = m_main->findChild<QWidget*>("picDrag");
    QTreeWidget* t = tree();
    auto* web = m_main->findChild<QWidget*>("webObject");

    m_main->resize(50, 50);
    QTRY_COMPARE(m_main->width(), qRound(4200 / tpp));
    QCOMPARE(m_main->height(), qRound(4200 / tpp));

    m_main->resize(900, 600);
    QTRY_COMPARE(m_main->width(), 900);
    const double W = client->width() * tpp;
    QCOMPARE(m_main->dblSplit(), 0.239);
    QCOMPARE(bar->x(), qRound((W - 30) * 0.239 / tpp));
    QCOMPARE(t->x(), qRound(15 / tpp));
    QCOMPARE(t->x() + t->width(), bar->x());
    QCOMPARE(web->x(), bar->x() + bar->width());
    QVERIFY(web->x() + web->width() >= client->width());

    // Dragging far to the left stops at 2000 twips, after at most one overshooting move.
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(1, 5));
    for (int i = 0; i < 3; ++i) {
        QMouseEvent move(QEvent::MouseMove, QPointF(-400, 5), bar->mapToGlobal(QPointF(-400, 5)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &move);
    }
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(1, 5));
    QCOMPARE(m_main->dblSplit(), 2000 / (W - 30));
    QCOMPARE(bar->x(), qRound(2000 / tpp));
    QCOMPARE(t->x() + t->width(), bar->x());

    // A drag inside the bounds keeps the ratio of the last move; a resize keeps that ratio.
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(1, 5));
    QMouseEvent move(QEvent::MouseMove, QPointF(101, 5), bar->mapToGlobal(QPointF(101, 5)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(bar, &move);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(1, 5));
    const double split = m_main->dblSplit();
    QVERIFY(split > 2000 / (W - 30));
    QVERIFY(qAbs(split * (W - 30) - (2000 + 101 * tpp - 15)) < 1e-6);
    m_main->resize(1200, 600);
    QTRY_COMPARE(m_main->width(), 1200);
    QCOMPARE(m_main->dblSplit(), split);
    QCOMPARE(bar->x(), qRound((client->width() * tpp - 30) * split / tpp));
}

void MainWindowTest::findWalksInNodeOrder()
{
    QStringList found;
    bool messaged = false;
    AnswerModal([&](QWidget* modal) {
        auto* dlg = qobject_cast<frmSearch*>(modal);
        QVERIFY(dlg);
        QCOMPARE(dlg->windowTitle(), QString("Search"));
        auto* txt = dlg->findChild<QLineEdit*>("txtFind");
        QVERIFY(txt->text().isEmpty());
        QTest::keyClicks(txt, "movie");
        auto* next = dlg->findChild<QPushButton*>("cdmFind");
        for (int i = 0; i < 6; ++i) {
            QTest::mouseClick(next, Qt::LeftButton);
            found << m_main->strKey();
        }
        // The seventh press runs past the last node.
        AnswerModal([&](QWidget* box) {
            auto* message = qobject_cast<QMessageBox*>(box);
            QVERIFY(message);
            QCOMPARE(message->text(), QString("Couldn't find the text!"));
            QCOMPARE(message->icon(), QMessageBox::Warning);
            messaged = true;
            message->accept();
        });
        QTest::mouseClick(next, Qt::LeftButton);
        QTest::mouseClick(dlg->findChild<QPushButton*>("cmdCancel"), Qt::LeftButton);
    });
    entry("mnuFind")->trigger();
    QVERIFY(messaged);
    // The order the nodes were added in, not the order on screen.
    QCOMPARE(found, QStringList({m_store.alphaMovie, m_store.comedyMovie, m_store.classicMovie, m_store.lostMovie,
                                 m_store.boxMovie, m_store.deepMovie}));
    QCOMPARE(m_main->strKey(), m_store.deepMovie);
    QCOMPARE(tree()->selectedItems(), QList<QTreeWidgetItem*>({node(m_store.deepMovie)}));
    QVERIFY(!QApplication::activeModalWidget());
}

void MainWindowTest::findNext_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // empty: the message comes and the selection stays
    QTest::newRow("lower case finds upper case") << "root"
                                                 << "comedy movie"
                                                 << "comedyMovie";
    QTest::newRow("text only in the label") << "alphaMovie"
                                            << "director"
                                            << "";
    QTest::newRow("last node") << "deepMovie"
                               << "movie"
                               << "";
    QTest::newRow("no wrap") << "lostMovie"
                             << "alpha"
                             << "";
    QTest::newRow("root never matches") << "comedy"
                                        << "vidsora"
                                        << "";
    QTest::newRow("empty text takes the next named node") << "root"
                                                          << ""
                                                          << "comedy";
    QTest::newRow("continues after the selection") << "comedyMovie"
                                                   << "MOVIE"
                                                   << "classicMovie";
    QTest::newRow("category name") << "root"
                                   << "ram"
                                   << "drama";
}

void MainWindowTest::findNext()
{
    QFETCH(QString, start);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    if (start != "root") {
        select(keyFor(start));
    }
    bool messaged = false;
    if (expected.isEmpty()) {
        AnswerModal([&](QWidget* box) {
            messaged = qobject_cast<QMessageBox*>(box) != nullptr;
            box->close();
        });
    }
    frmSearch dlg(m_main.get());
    dlg.FindNext(text);
    QCOMPARE(messaged, expected.isEmpty());
    QCOMPARE(m_main->strKey(), expected.isEmpty() ? keyFor(start) : keyFor(expected));
    if (!expected.isEmpty()) {
        QCOMPARE(tree()->selectedItems(), QList<QTreeWidgetItem*>({node(keyFor(expected))}));
    }
}

void MainWindowTest::reloadKeepsBranchesAndSelection()
{
    node(m_store.drama)->setExpanded(true);
    node(m_store.classics)->setExpanded(true);
    node(m_store.zetaBox)->setExpanded(true);
    QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, tree()->visualItemRect(node(m_store.boxMovie)).center());
    QTRY_COMPARE(m_main->strKey(), m_store.boxMovie);
    const QStringList before = expandedKeys();
    QCOMPARE(before.size(), 4);

    // An item stored meanwhile by someone else shows up after the reload.
    CMovies other;
    other.setDBDir(m_dbDir);
    other.LoadData();
    const QString added = other.Add("Newcomer");

    for (int round = 0; round < 2; ++round) {
        QTest::keyClick(m_main.get(), Qt::Key_F5);
        QCOMPARE(expandedKeys(), before);
        QCOMPARE(m_main->strKey(), m_store.boxMovie);
        QCOMPARE(tree()->selectedItems(), QList<QTreeWidgetItem*>({node(m_store.boxMovie)}));
        QCOMPARE(text("pnLarge"), QString("Box Movie"));
        QVERIFY(m_main->findChild<QWidget*>("pgMain")->isHidden());
        QVERIFY(node(added));
        QVERIFY(!m_main->isLoading());
    }
    QCOMPARE(text("pnSmall"), QString("10 items"));
}

void MainWindowTest::reloadAfterRemoval()
{
    select(m_store.alphaMovie);
    QVERIFY(QDir(gMovies->Item(m_store.alphaMovie)->Path()).removeRecursively());
    entry("mnuRefresh")->trigger();
    QVERIFY(!node(m_store.alphaMovie));
    QCOMPARE(m_main->strKey(), QString("!0"));
    QCOMPARE(tree()->selectedItems(), QList<QTreeWidgetItem*>({node("!0")}));
    QCOMPARE(text("pnLarge"), "Vidsora: Personal (" + GetVersionText() + ")");
}

void MainWindowTest::reloadTakesNoInput()
{
    select(m_store.comedyMovie);
    bool ran = false;
    // Runs from the window events the reload lets through while it loads.
    QTimer::singleShot(0, this, [&] {
        ran = true;
        QVERIFY(m_main->isLoading());
        QCOMPARE(text("pnSmall"), QString("Preparing..."));
        entry("mnuRefresh")->trigger();
        QCOMPARE(text("pnSmall"), QString("Preparing..."));
        QVERIFY(!m_main->close());
        entry("mnuExit")->trigger();
        entry("mnuFind")->trigger();
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(m_main->isLoading());
    });
    entry("mnuRefresh")->trigger();
    QVERIFY(ran);
    QVERIFY(m_main->isVisible());
    QVERIFY(!m_main->isLoading());
    QCOMPARE(m_main->strKey(), m_store.comedyMovie);
    QVERIFY(QFileInfo(gTempFolder).isDir());
}

// Cancel while the reload loads: the window, its collections and what the user looked at stay as they were.
void MainWindowTest::reloadCancelled()
{
    node(m_store.drama)->setExpanded(true);
    select(m_store.comedyMovie);
    const QStringList branches = expandedKeys();
    const QString status = text("pnSmall");
    const auto movies = gMovies;
    const auto categories = gCategories;
    const int nodes = int(m_main->Nodes().size());
    // An item stored meanwhile by someone else would show after a reload that ran to its end.
    CMovies other;
    other.setDBDir(m_dbDir);
    other.LoadData();
    const QString added = other.Add("Newcomer");

    // The progress dialog's Cancel, from the window events the reload lets through.
    QTimer::singleShot(0, this, [this] {
        auto* dialog = m_main->findChild<QProgressDialog*>();
        QVERIFY(dialog);
        dialog->cancel();
    });
    entry("mnuRefresh")->trigger();
    QVERIFY(!m_main->isLoading());
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(gMovies, movies);
    QCOMPARE(gCategories, categories);
    QVERIFY(!gMovies->Item(added));
    QCOMPARE(int(m_main->Nodes().size()), nodes);
    QCOMPARE(expandedKeys(), branches);
    QCOMPARE(m_main->strKey(), m_store.comedyMovie);
    QCOMPARE(tree()->selectedItems(), QList<QTreeWidgetItem*>({node(m_store.comedyMovie)}));
    QCOMPARE(text("pnSmall"), status);
    QVERIFY(m_main->findChild<QWidget*>("pgMain")->isHidden());

    // Asked again and let run, the reload shows what the store holds.
    entry("mnuRefresh")->trigger();
    QVERIFY(node(added));
    QCOMPARE(m_main->strKey(), m_store.comedyMovie);
}

// A reload makes sure of the store as start-up does: a store another program holds is not read, a missing folder is
// created only on Yes; a refused reload leaves the window, its collections and the old store's lock as they were.
void MainWindowTest::reloadOpensTheStoreSafely_data()
{
    QTest::addColumn<QString>("situation");
    QTest::newRow("in use by another program") << "inUse";
    QTest::newRow("missing folder, No") << "no";
    QTest::newRow("missing folder, Yes") << "yes";
}

void MainWindowTest::reloadOpensTheStoreSafely()
{
    QFETCH(QString, situation);
    // A first reload takes the lock of the store shown.
    entry("mnuRefresh")->trigger();
    StoreLock probe;
    QCOMPARE(probe.Acquire(m_dbDir), StoreLock::Result::InUse);
    select(m_store.alphaMovie);
    const int nodes = int(m_main->Nodes().size());

    const QString elsewhere = m_dir->path("unplugged/Movies");
    StoreLock other;
    QString expected;
    if (situation == "inUse") {
        // The other program got in between.
        mMain::CloseStore();
        QCOMPARE(other.Acquire(m_dbDir), StoreLock::Result::Locked);
        expected = QString("The collection %1 is in use by another Vidsora.").arg(m_dbDir);
    } else {
        WriteRegSetting("DBPath", elsewhere);
        expected =
            QString("The collection folder %1 does not exist. Create a new, empty collection there?").arg(elsewhere);
    }
    QString shown;
    AnswerModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box);
        shown = box->text();
        box->button(situation == "yes"  ? QMessageBox::Yes
                    : situation == "no" ? QMessageBox::No
                                        : QMessageBox::Ok)
            ->click();
    });
    entry("mnuRefresh")->trigger();
    QCOMPARE(shown, expected);
    QVERIFY(!m_main->isLoading());

    if (situation == "yes") {
        QCOMPARE(gMovies->DBDir(), elsewhere);
        QCOMPARE(int(m_main->Nodes().size()), 1);
        QCOMPARE(probe.Acquire(elsewhere), StoreLock::Result::InUse);
        // The old store is free again.
        QCOMPARE(probe.Acquire(m_dbDir), StoreLock::Result::Locked);
        return;
    }
    QCOMPARE(gMovies->DBDir(), m_dbDir);
    QCOMPARE(int(m_main->Nodes().size()), nodes);
    QCOMPARE(m_main->strKey(), m_store.alphaMovie);
    QVERIFY(!QFileInfo::exists(m_dir->path("unplugged")));
    if (situation == "no") {
        QCOMPARE(probe.Acquire(m_dbDir), StoreLock::Result::InUse);
    }
}

// A reload of another store that is cancelled leaves the locks as it found them: the store shown stays locked, and
// the other one is free once the cancelled load has ended. Let run, the reload moves the lock to the other store and
// says once what it left out.
void MainWindowTest::reloadOfAnotherStoreCancelledKeepsTheLocks()
{
    entry("mnuRefresh")->trigger(); // the store shown is locked by the window
    const QString other = m_dir->path("other");
    const QString notes = other + "/Movies/Torn.4/Notes.txt";
    QVERIFY(QDir().mkpath(QFileInfo(notes).path()));
    QFile file(notes);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("the only copy") > 0);
    file.close();
    WriteRegSetting("DBPath", other);

    QTimer::singleShot(0, this, [this] {
        auto* dialog = m_main->findChild<QProgressDialog*>();
        QVERIFY(dialog);
        dialog->cancel();
    });
    entry("mnuRefresh")->trigger();
    QCOMPARE(gMovies->DBDir(), m_dbDir);
    StoreLock probe;
    QCOMPARE(probe.Acquire(m_dbDir), StoreLock::Result::InUse);
    QTRY_COMPARE_WITH_TIMEOUT(probe.Acquire(other), StoreLock::Result::Locked, 60000);
    probe.Release();

    QString shown;
    AnswerModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box);
        shown = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    entry("mnuRefresh")->trigger();
    QCOMPARE(gMovies->DBDir(), other);
    QVERIFY2(shown.startsWith(QString("One folder in the collection %1").arg(other)), qPrintable(shown));
    QVERIFY(QFileInfo::exists(notes));
    QCOMPARE(probe.Acquire(other), StoreLock::Result::InUse);
    QCOMPARE(probe.Acquire(m_dbDir), StoreLock::Result::Locked);
}

void MainWindowTest::unloadRemovesTempFolder()
{
    const QString folder = gTempFolder;
    QVERIFY(QFileInfo(folder).isDir());
    select(m_store.alphaMovie);
    QTRY_VERIFY(QFileInfo::exists(folder + "/" + m_store.alphaMovie + ".html"));
    entry("mnuExit")->trigger();
    QVERIFY(!m_main->isVisible());
    QVERIFY(!QFileInfo::exists(folder));
}

void MainWindowTest::aboutOpens()
{
    bool sawAbout = false;
    AnswerModal([&](QWidget* modal) {
        sawAbout = qobject_cast<frmAbout*>(modal) != nullptr;
        modal->close();
    });
    entry("mnuAbout")->trigger();
    QVERIFY(sawAbout);
    QVERIFY(!QApplication::activeModalWidget());
}

int main(int argc, char** argv)
{
    SetUpEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    MainWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
