#include "ui/ViewPlaceholder.h"

#include <QAbstractItemView>
#include <QEvent>

ViewPlaceholder::ViewPlaceholder(QAbstractItemView* view)
    : QLabel(view->viewport())
    , view_(view) {
    setAlignment(Qt::AlignCenter);
    setWordWrap(true);
    setTextFormat(Qt::AutoText);
    setStyleSheet(QStringLiteral("QLabel { color: #8A9AA3; font-size: 11pt; background: "
                                 "transparent; } a { color: #2F8DB6; }"));
    setOpenExternalLinks(false);
    view_->viewport()->installEventFilter(this);
    refresh();
}

void ViewPlaceholder::setText(const QString& text) {
    QLabel::setText(text);
    refresh();
}

void ViewPlaceholder::watchModel() {
    QAbstractItemModel* model = view_->model();
    if (!model)
        return;
    connect(model, &QAbstractItemModel::modelReset, this, &ViewPlaceholder::refresh,
            Qt::UniqueConnection);
    connect(model, &QAbstractItemModel::layoutChanged, this, &ViewPlaceholder::refresh,
            Qt::UniqueConnection);
    connect(model, &QAbstractItemModel::rowsInserted, this, &ViewPlaceholder::refresh,
            Qt::UniqueConnection);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &ViewPlaceholder::refresh,
            Qt::UniqueConnection);
    refresh();
}

bool ViewPlaceholder::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_->viewport() && event->type() == QEvent::Resize)
        refresh();
    return QLabel::eventFilter(watched, event);
}

void ViewPlaceholder::refresh() {
    QAbstractItemModel* model = view_->model();
    const bool empty = !model || model->rowCount() == 0;
    setGeometry(view_->viewport()->rect().adjusted(24, 24, -24, -24));
    setVisible(empty && !text().isEmpty());
}
