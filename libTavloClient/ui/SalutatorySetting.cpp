#include "ui/SalutatorySetting.h"

#include "tavlo/SalutatorySetter.h"
#include "ui/MainWindow.h"
#include "ui_SalutatorySetting.h"

#include <QMessageBox>
#include <QThreadPool>

SalutatorySetting::SalutatorySetting(const ServerContent& server, QWidget* parent)
    : QDialog(parent)
    , ui_(std::make_unique<Ui::SalutatorySetting>())
    , server_(server)
    , pool_(QThreadPool::globalInstance()) {
    ui_->setupUi(this);
    ui_->labelDevice->setText(tr("设备: %1").arg(server_.name));
    connect(ui_->btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui_->btnOk, &QPushButton::clicked, this, &SalutatorySetting::accept);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
}

SalutatorySetting::~SalutatorySetting() = default;

void SalutatorySetting::accept() {
    const QString text = ui_->textEdit->text();
    if (text.isEmpty()) {
        QMessageBox box(QMessageBox::Warning, tr("错误"),
                        tr("欢迎辞内容不能为空!") + QString(12, QLatin1Char(' ')), QMessageBox::Ok,
                        this);
        box.exec();
        return;
    }
    auto* setter = new SalutatorySetter(text, server_);
    if (MainWindow* window = MainWindow::instance())
        connect(setter, &SalutatorySetter::notify, window, &MainWindow::notify,
                Qt::QueuedConnection);
    pool_->start(setter);
    QDialog::accept();
}
