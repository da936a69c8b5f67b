#pragma once

#include "ViewerSession.h"

#include <QMainWindow>
#include <QString>

class QAction;
class QFileDialog;
class QMenu;
class WebBrowser;
class frmAbout;

// The viewer's window: the File and Help menus, the open dialog and the browser pane that shows the page of the
// file last opened.
class frmMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // Start-up: the temporary folder, the blank page, and the file the command line names, when it is not empty
    // (a command line of one quote character names no file, so the open dialog asks for one).
    void InitViewer(const QString& commandLine);
    // Opens and shows a file. An empty path asks for one in the open dialog, and the chosen path is written back.
    void OpenUEFFile(QString& path);
    void NavigateTo(const QString& address);
    void LayoutBrowser();
    void RemoveTempDir();

    const ViewerSession& session() const { return m_session; }

    QMenu* mnuFile = nullptr;
    QAction* mnuOpen = nullptr;
    QAction* mnuFL1 = nullptr;
    QAction* mnuExit = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuAbout = nullptr;
    WebBrowser* webObject = nullptr;
    QFileDialog* dlgOpen = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void ShowAbout();

    ViewerSession m_session;
    frmAbout* m_about = nullptr;
};
