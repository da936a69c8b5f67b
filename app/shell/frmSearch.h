#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QLineEdit;
class QPushButton;

// What the find dialog needs of a tree: its nodes' keys in the order they were added, the key of the node it marks
// selected, and a way to select a node and show its item.
class SearchTree
{
public:
    virtual ~SearchTree() = default;
    virtual QStringList NodeKeys() const = 0;
    virtual QString SelectedKey() const = 0;
    virtual void SelectAndShow(const QString& key) = 0;
};

// The find dialog: each "Find next" walks the tree, in the order its nodes were added, from the node after the
// selected one to the next item whose name holds the text, and selects and shows it.
class frmSearch : public QDialog
{
    Q_OBJECT

public:
    explicit frmSearch(SearchTree* tree, QWidget* parent = nullptr);

    void FindNext(const QString& strFind);

private:
    void cdmFind_Click();
    void cmdCancel_Click();

    SearchTree* m_tree;
    QLineEdit* txtFind;
    QPushButton* cdmFind;
    QPushButton* cmdCancel;
};
