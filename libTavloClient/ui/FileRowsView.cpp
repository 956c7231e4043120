#include "ui/FileRowsView.h"

#include "ui/ThumbnailTableModel.h"
#include "ui/ViewPlaceholder.h"

#include <QMenu>
#include <QMouseEvent>

FileRowsView::FileRowsView(QWidget* parent)
    : QTreeView(parent)
    , menu_(new QMenu(this))
    , placeholder_(new ViewPlaceholder(this)) {
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setIconSize(QSize(ThumbnailTableModel::IconSize, ThumbnailTableModel::IconSize));
}

void FileRowsView::setModel(QAbstractItemModel* model) {
    QTreeView::setModel(model);
    placeholder_->watchModel();
}

void FileRowsView::setPlaceholderText(const QString& text) {
    placeholder_->setText(text);
}

QString FileRowsView::placeholderText() const {
    return placeholder_->text();
}

QAction* FileRowsView::addDeleteAction(const QString& text) {
    QAction* action = menu_->addAction(text);
    action->setShortcut(QKeySequence::Delete);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(action);
    return action;
}

QVariant FileRowsView::currentData(int role) const {
    const QModelIndex row = currentIndex();
    return row.sibling(row.row(), ThumbnailTableModel::NameColumn).data(role);
}

void FileRowsView::prepareMenu(const QModelIndex&) {}

void FileRowsView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        QTreeView::mousePressEvent(event);
        return;
    }
    const QModelIndex row = indexAt(event->pos());
    if (event->button() == Qt::RightButton && row.isValid()) {
        setCurrentIndex(row);
        prepareMenu(row);
        menu_->popup(event->globalPos());
    }
}
