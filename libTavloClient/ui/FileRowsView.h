#pragma once

#include <QTreeView>

class QAction;
class QMenu;
class ViewPlaceholder;

// What the views of the two file lists share: whole rows chosen one at a
// time, no editing, 48-pixel pictures, a context menu that a right press on
// a row opens at the pointer, and a text over the view while it is empty.
class FileRowsView : public QTreeView {
    Q_OBJECT
public:
    explicit FileRowsView(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;
    QMenu* menu() const { return menu_; }
    ViewPlaceholder* placeholder() const { return placeholder_; }
    void setPlaceholderText(const QString& text);
    QString placeholderText() const;

protected:
    // A menu entry that the Delete key also triggers while this view has the
    // focus (several views share the window).
    QAction* addDeleteAction(const QString& text);
    // The name column's data of the current row.
    QVariant currentData(int role) const;
    // Called before the menu opens for `row`.
    virtual void prepareMenu(const QModelIndex& row);

    void mousePressEvent(QMouseEvent* event) override;

private:
    QMenu* menu_;
    ViewPlaceholder* placeholder_;
};
