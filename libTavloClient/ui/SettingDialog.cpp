#include "ui/SettingDialog.h"

#include "ui_SettingDialog.h"
#include "utils/Config.h"

#include <QFileDialog>
#include <QMessageBox>

SettingDialog::SettingDialog(QWidget* parent)
    : QDialog(parent)
    , ui_(std::make_unique<Ui::SettingDialog>())
    , config_(Config::instance()) {
    ui_->setupUi(this);
    const auto unique = Qt::UniqueConnection;
    connect(ui_->btnCancel, &QPushButton::clicked, this, &QDialog::reject, unique);
    connect(ui_->btnOk, &QPushButton::clicked, this, &SettingDialog::accept, unique);
    connect(ui_->btnBrowse, &QPushButton::clicked, this, &SettingDialog::onSetDownloadPath, unique);
    connect(ui_->buttonResetCastShortcut, &QPushButton::clicked, this,
            &SettingDialog::onResetCastShortcut, unique);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
}

SettingDialog::~SettingDialog() = default;

void SettingDialog::showEvent(QShowEvent* event) {
    ui_->ClientName->setText(config_->value(Config::ClientName).toString());
    ui_->downloadPath->setText(config_->value(Config::DownloadPath).toString());
    ui_->checkBoxConfirmCast->setChecked(config_->value(Config::ConfirmCast).toBool());
    ui_->checkBoxStartUp->setChecked(config_->value(Config::StartUp).toBool());
    onResetCastShortcut();
    config_->setCastShortcutEnabled(false);
    QDialog::showEvent(event);
}

void SettingDialog::hideEvent(QHideEvent* event) {
    config_->setCastShortcutEnabled(true);
    QDialog::hideEvent(event);
}

void SettingDialog::onSetDownloadPath() {
    const QString folder = QFileDialog::getExistingDirectory(
        this, tr("请选择文件夹"), config_->value(Config::DownloadPath).toString());
    if (!folder.isEmpty())
        ui_->downloadPath->setText(folder);
}

void SettingDialog::onResetCastShortcut() {
    ui_->lineEditCastShortcut->setText(config_->value(Config::CastShortcut).toString());
}

void SettingDialog::refuse(const QString& text) {
    QMessageBox::warning(this, tr("错误"), text, QMessageBox::Ok);
}

void SettingDialog::accept() {
    const QString name = ui_->ClientName->text();
    const QString path = ui_->downloadPath->text();
    if (name.isEmpty())
        return refuse(tr("客户端名字不能为空！"));
    if (path.isEmpty())
        return refuse(tr("下载路径不能为空！"));
    if (!config_->setValue(Config::ClientName, name))
        return refuse(tr("设置用户名错误"));
    if (!config_->setValue(Config::DownloadPath, path))
        return refuse(tr("设置下载地址错误"));
    if (!config_->setValue(Config::CastShortcut, ui_->lineEditCastShortcut->text()))
        return refuse(tr("设置投射快捷键错误"));
    config_->setValue(Config::ConfirmCast, ui_->checkBoxConfirmCast->isChecked());
    config_->setValue(Config::StartUp, ui_->checkBoxStartUp->isChecked());
    QDialog::accept();
}
