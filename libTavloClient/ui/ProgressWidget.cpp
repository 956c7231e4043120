#include "ui/ProgressWidget.h"

#include "tavlo/FileDelete.h"
#include "tavlo/FileDownloader.h"
#include "tavlo/FileOpen.h"
#include "tavlo/FileTransferServer.h"
#include "ui/DeviceFileActions.h"
#include "ui/MainWindow.h"
#include "ui/ProgressDockWidget.h"
#include "ui/RecentFilesDialog.h"
#include "ui_ProgressWidget.h"
#include "utils/MetaTypes.h"
#include "utils/platform/DesktopServices.h"

#include <QMenu>
#include <QMouseEvent>
#include <QTextBoundaryFinder>
#include <QThreadPool>

ProgressWidget::ProgressWidget(const ServerContent& server, const QString& localPath, bool download,
                               QWidget* parent)
    : QWidget(parent)
    , ui_(std::make_unique<Ui::ProgressWidget>())
    , server_(server)
    , localPath_(localPath)
    , download_(download)
    , menu_(new QMenu(this)) {
    ui_->setupUi(this);
    connect(menu_->addAction(tr("在本地打开")), &QAction::triggered, this,
            &ProgressWidget::openFileAtNative);
    connect(menu_->addAction(tr("打开所在目录")), &QAction::triggered, this,
            &ProgressWidget::openDirTriggered);
    QAction* remove = menu_->addAction(tr("在Tavlo上删除"));
    connect(remove, &QAction::triggered, this, &ProgressWidget::deleteFileAtServer);
    QAction* open = menu_->addAction(tr("在Tavlo上打开"));
    connect(open, &QAction::triggered, this, &ProgressWidget::openActionTriggered);
    // Another PC answers no device requests: nothing to open or delete there.
    remove->setEnabled(!server_.isClient());
    open->setEnabled(!server_.isClient());
    connect(ui_->btnClose, &QPushButton::clicked, this, &ProgressWidget::close);
}

ProgressWidget::~ProgressWidget() = default;

void ProgressWidget::setPaths(const QString& localPath, const QString& remotePath) {
    localPath_ = localPath;
    remotePath_ = remotePath;
}

QString ProgressWidget::wrapped(const QString& text) {
    // Lines of at most WrapWidth characters, broken where a line may break:
    // after a blank or between two Chinese characters; a word longer than a
    // line is cut.
    QStringList lines;
    QString rest = text;
    while (rest.size() > WrapWidth) {
        QTextBoundaryFinder finder(QTextBoundaryFinder::Line, rest);
        int cut = -1;
        for (int position = finder.toNextBoundary(); position > 0 && position <= WrapWidth;
             position = finder.toNextBoundary())
            cut = position;
        if (cut <= 0)
            cut = WrapWidth;
        lines.append(rest.left(cut).trimmed());
        rest = rest.mid(cut);
    }
    lines.append(rest);
    return lines.join(QLatin1Char('\n'));
}

void ProgressWidget::setText(const QString& text) {
    ui_->label->setText(wrapped(text));
}

QString ProgressWidget::text() const {
    return ui_->label->text();
}

void ProgressWidget::setProgress(int minimum, int maximum, int value) {
    QProgressPie* pie = ui_->progressBar;
    if (pie->minimum() != minimum)
        pie->setMinimum(minimum);
    if (pie->maximum() != maximum)
        pie->setMaximum(maximum);
    if (pie->value() != value)
        pie->setValue(value);
}

int ProgressWidget::progressValue() const {
    return ui_->progressBar->value();
}

void ProgressWidget::setCloseVisible(bool visible) {
    ui_->btnClose->setVisible(visible);
}

bool ProgressWidget::isCloseVisible() const {
    return !ui_->btnClose->isHidden();
}

void ProgressWidget::setRedoMenu() {
    redoAction_ = new QAction(tr("重新下载/上传"), this);
    connect(redoAction_, &QAction::triggered, this, &ProgressWidget::redoActionTriggered);
    menu_->clear();
    menu_->addAction(redoAction_);
}

void ProgressWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton)
        menu_->popup(event->screenPos().toPoint()); // rounded to the nearest pixel
    QWidget::mouseReleaseEvent(event);
}

void ProgressWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        if (download_)
            DesktopServices::openFile(localPath_);
        else
            openActionTriggered();
    }
    QWidget::mouseDoubleClickEvent(event);
}

void ProgressWidget::openFileAtNative() {
    if (!DesktopServices::openFile(localPath_))
        qCritical("[E][%s] Open file at local fail.", "ProgressWidget");
}

void ProgressWidget::openDirTriggered() {
    DesktopServices::openFolder(localPath_.left(localPath_.lastIndexOf(QLatin1Char('/'))));
}

void ProgressWidget::deleteFileAtServer() {
    if (server_.isClient() ||
        !DeviceFileActions::confirmDelete(this, remotePath_.section(QLatin1Char('/'), -1)))
        return;
    QThreadPool::globalInstance()->start(DeviceFileActions::deleteRequest(remotePath_, server_));
}

void ProgressWidget::openActionTriggered() {
    if (server_.isClient())
        return;
    QThreadPool::globalInstance()->start(DeviceFileActions::openRequest(remotePath_, server_));
}

void ProgressWidget::redoActionTriggered() {
    MetaTypes::registerAll();
    if (download_) {
        if (MainWindow* window = MainWindow::instance())
            window->startDownload(
                new FileDownloader(remotePath_, localPath_, server_, dateModified_));
    } else if (server_.isClient()) {
        if (MainWindow* window = MainWindow::instance())
            window->offerFiles(QStringList{localPath_}, server_);
    } else {
        FileTransferServer::instance()->uploadFile(localPath_, server_);
    }
}

void ProgressWidget::close() {
    emit destroyed(id_);
    deleteLater();
}
