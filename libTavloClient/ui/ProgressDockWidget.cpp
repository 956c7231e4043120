#include "ui/ProgressDockWidget.h"

#include "ui/FailureText.h"
#include "ui/ProgressWidget.h"
#include "ui/ViewPlaceholder.h"
#include "ui_ProgressDockWidget.h"

#include <QPointer>

namespace {
QPointer<ProgressDockWidget> currentDock;
}

ProgressDockWidget::ProgressDockWidget(QWidget* parent)
    : QWidget(parent)
    , ui_(std::make_unique<Ui::ProgressDockWidget>()) {
    ui_->setupUi(this);
    connect(ui_->btnClear, &QPushButton::clicked, this, &ProgressDockWidget::clear);
    setStyleSheet(QStringLiteral("background-color:#EDFAFEFF"));
    auto* empty = new ViewPlaceholder(ui_->listWidget);
    empty->setText(tr("还没有传输.\n上传和下载的文件会显示在这里."));
    empty->watchModel();
    if (!currentDock)
        currentDock = this;
}

ProgressDockWidget::~ProgressDockWidget() = default;

ProgressDockWidget* ProgressDockWidget::instance() {
    return currentDock;
}

QListWidget* ProgressDockWidget::listWidget() const {
    return ui_->listWidget;
}

int ProgressDockWidget::rowCount() const {
    QMutexLocker lock(&mutex_);
    return rows_.size();
}

ProgressWidget* ProgressDockWidget::rowFor(int id) const {
    QMutexLocker lock(&mutex_);
    QListWidgetItem* item = rows_.value(id);
    return item ? qobject_cast<ProgressWidget*>(ui_->listWidget->itemWidget(item)) : nullptr;
}

void ProgressDockWidget::clear() {
    QMutexLocker lock(&mutex_);
    for (QListWidgetItem* item : qAsConst(rows_)) {
        delete ui_->listWidget->itemWidget(item);
        delete item;
    }
    ui_->listWidget->clear();
    rows_.clear();
}

void ProgressDockWidget::progressWidgetDestroyed(int id) {
    QMutexLocker lock(&mutex_);
    QListWidgetItem* item = rows_.take(id);
    if (!item)
        return;
    ui_->listWidget->takeItem(ui_->listWidget->row(item));
    delete item;
}

int ProgressDockWidget::runningCount() const {
    QMutexLocker lock(&mutex_);
    return running_.size();
}

void ProgressDockWidget::uploadProgressUpdated(ProgressContent content) {
    show();
    QMutexLocker lock(&mutex_);
    if (content.percent >= 0 && content.percent <= 100)
        running_.insert(content.id);
    else
        running_.remove(content.id);
    const QString fileName = content.localPath.split(QLatin1Char('/')).last();
    QString prefix;
    switch (content.kind) {
    case ProgressContent::Upload:
        prefix = tr("上传文件:");
        break;
    case ProgressContent::Download:
        prefix = tr("下载文件:");
        break;
    default:
        prefix = tr("机密上传:");
        break;
    }
    const QString subject = prefix + QLatin1Char('"') + fileName + QLatin1Char('"');

    ProgressWidget* row = nullptr;
    QListWidgetItem* item = rows_.value(content.id);
    if (item) {
        row = qobject_cast<ProgressWidget*>(ui_->listWidget->itemWidget(item));
    } else {
        row = new ProgressWidget(content.server, content.localPath,
                                 content.kind == ProgressContent::Download, ui_->listWidget);
        row->setPaths(content.localPath, content.remotePath);
        row->setProgress(0, 100, 0);
        row->setText(subject + QLatin1Char('.'));
        row->setCloseVisible(false);
        item = new QListWidgetItem();
        ui_->listWidget->insertItem(0, item);
        ui_->listWidget->setItemWidget(item, row);
        rows_.insert(content.id, item);
        row->setId(content.id);
        connect(row, qOverload<int>(&ProgressWidget::destroyed), this,
                &ProgressDockWidget::progressWidgetDestroyed, Qt::UniqueConnection);
    }
    if (!row)
        return;

    if (content.percent == ProgressContent::Failed) {
        row->setText(subject + tr("失败. 原因: ") + FailureText::of(content.failure));
        row->setCloseVisible(true);
        row->setDateModified(content.dateModified);
        row->setRedoMenu();
    } else if (content.percent >= 0 && content.percent <= 100) {
        row->setProgress(0, 100, content.percent);
    } else if (content.percent == ProgressContent::Confirmed) {
        row->setProgress(0, 100, 100);
        row->setText(subject + tr("成功."));
        row->setCloseVisible(true);
    } else {
        qCritical("[E][%s] Wrong parameter while updating progress widget", "ProgressDockWidget");
    }
    // The text may have grown by a line.
    item->setSizeHint(row->sizeHint());
}
