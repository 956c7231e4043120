#include "ui/ServerContentWidget.h"

#include "ui_ServerContentWidget.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QPixmap>
#include <QStyle>
#include <QUrl>

const QColor ServerContentWidget::NormalColor(66, 166, 208);
const QColor ServerContentWidget::DragColor(0, 180, 240);

ServerContentWidget::ServerContentWidget(QWidget* parent)
    : ServerContentWidget(ServerContent(), parent) {}

ServerContentWidget::ServerContentWidget(const ServerContent& server, QWidget* parent)
    : QWidget(parent)
    , ui_(std::make_unique<Ui::ServerContentWidget>()) {
    ui_->setupUi(this);
    setObjectName(QStringLiteral("ServerContentWidget"));
    setAttribute(Qt::WA_StyledBackground, true);
    setAcceptDrops(true);
    setAutoFillBackground(true);
    setServerContent(server);
    setBackground(NormalColor);
}

ServerContentWidget::~ServerContentWidget() = default;

void ServerContentWidget::setServerContent(const ServerContent& server) {
    server_ = server;
    // An empty record stands for "no device yet".
    const bool none = server.address.isNull() && server.name.isEmpty();
    ui_->labelServerName->setText(none ? tr("正在查找设备...") : server.name);
    ui_->labelType->setText(server.isClient() ? tr("客户端") : tr("Tavlo服务器"));
    ui_->labelType->setVisible(!none);
    ui_->label->setVisible(!none);
    ui_->labelStatus->setPixmap(QPixmap(server.isClient()
                                            ? QStringLiteral(":/drawable/client.png")
                                            : QStringLiteral(":/drawable/server.png")));
    setToolTip(QStringLiteral("NAME:\t") + server.name + QStringLiteral("\nUUID:\t") + server.uuid +
               QStringLiteral("\nIP:\t") + server.address.toString());
}

QColor ServerContentWidget::backgroundColor() const {
    return palette().color(QPalette::Window);
}

void ServerContentWidget::setBackground(const QColor& color) {
    QPalette pal = palette();
    pal.setColor(QPalette::All, QPalette::Window, color);
    setPalette(pal);
    // The style sheet paints the card (with rounded corners); it follows the
    // drag state through a property.
    setProperty("dragging", color == DragColor);
    style()->unpolish(this);
    style()->polish(this);
}

QStringList ServerContentWidget::localFilesOf(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    const QList<QUrl> urls = data->urls();
    for (const QUrl& url : urls) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    return paths;
}

void ServerContentWidget::dragEnterEvent(QDragEnterEvent* event) {
    if (localFilesOf(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    setBackground(DragColor);
}

void ServerContentWidget::dragLeaveEvent(QDragLeaveEvent* event) {
    setBackground(NormalColor);
    QWidget::dragLeaveEvent(event);
}

void ServerContentWidget::dropEvent(QDropEvent* event) {
    const QStringList paths = localFilesOf(event->mimeData());
    if (!paths.isEmpty()) {
        event->acceptProposedAction();
        emit filePathDroped(paths);
    }
    setBackground(NormalColor);
}

void ServerContentWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !server_.isClient())
        emit fileList(server_);
    QWidget::mouseDoubleClickEvent(event);
}
