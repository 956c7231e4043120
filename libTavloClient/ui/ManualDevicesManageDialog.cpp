#include "ui/ManualDevicesManageDialog.h"

#include "tavlo/TavloClientDatabase.h"
#include "ui_ManualDevicesManageDialog.h"

#include <QHostAddress>
#include <QMessageBox>

namespace {
const QString ItemSeparator = QStringLiteral(" : ");
}

ManualDevicesManageDialog::ManualDevicesManageDialog(QWidget* parent)
    : QDialog(parent)
    , ui_(std::make_unique<Ui::ManualDevicesManageDialog>())
    , database_(TavloClientDatabase::instance()) {
    ui_->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    connect(ui_->pushButtonAdd, &QPushButton::clicked, this,
            &ManualDevicesManageDialog::onPushButtonAddClicked);
    connect(ui_->listWidgetDevices, &QListWidget::itemDoubleClicked, this,
            &ManualDevicesManageDialog::onItemRemoveTriggered);
}

ManualDevicesManageDialog::~ManualDevicesManageDialog() = default;

QString ManualDevicesManageDialog::itemText(const QString& address, int port) {
    return address + ItemSeparator + QString::number(port);
}

void ManualDevicesManageDialog::showEvent(QShowEvent* event) {
    ui_->listWidgetDevices->clear();
    const QList<ServerContent> devices = database_->getManualDevices();
    for (const ServerContent& device : devices)
        ui_->listWidgetDevices->addItem(itemText(device.address.toString(), device.port));
    ui_->lineEditIPAddress->clear();
    ui_->lineEditPort->setText(QString::number(DefaultPort));
    QDialog::showEvent(event);
}

void ManualDevicesManageDialog::warn(const QString& text) {
    QMessageBox::warning(nullptr, tr("错误"), text, QMessageBox::Ok);
}

void ManualDevicesManageDialog::onPushButtonAddClicked() {
    QHostAddress address;
    if (!address.setAddress(ui_->lineEditIPAddress->text()))
        return warn(tr("无效的ip地址."));
    int port = DefaultPort;
    const QString portText = ui_->lineEditPort->text();
    if (!portText.isEmpty()) {
        bool ok = false;
        port = portText.toInt(&ok, 10);
        if (!ok || port < 0 || port > 65535)
            return warn(tr("无效的端口."));
    }
    ServerContent device;
    device.address = address;
    device.port = port;
    if (!database_->addManualDevice(device))
        return warn(tr("添加失败, 这个ip地址已经存在."));
    ui_->listWidgetDevices->addItem(itemText(address.toString(), port));
}

void ManualDevicesManageDialog::onItemRemoveTriggered(QListWidgetItem* item) {
    const QStringList parts = item->text().split(ItemSeparator);
    if (parts.size() != 2) {
        qCritical("[E][%s] item error, invalid string format.", "ManualDevicesManageDialog");
        return;
    }
    QHostAddress address;
    if (!address.setAddress(parts.at(0))) {
        qCritical("[E][%s] item error: invalid ip format: %s", "ManualDevicesManageDialog",
                  qPrintable(parts.at(0)));
        return;
    }
    bool ok = false;
    const int port = parts.at(1).toInt(&ok, 10);
    if (!ok || port < 0 || port > 65535) {
        qCritical("[E][%s] item error, invalid port: %d", "ManualDevicesManageDialog", port);
        return;
    }
    ServerContent device;
    device.address = address;
    device.port = port;
    if (!database_->removeManualDevice(device)) {
        QMessageBox::warning(nullptr, tr("错误"), tr("删除失败"), QMessageBox::Ok);
        return;
    }
    delete item;
}
