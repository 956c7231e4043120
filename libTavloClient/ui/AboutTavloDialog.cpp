#include "ui/AboutTavloDialog.h"

#include "ui/MainWindow.h"
#include "ui_AboutTavloDialog.h"

#include <QStringList>

AboutTavloDialog::AboutTavloDialog(QWidget* parent)
    : QDialog(parent)
    , ui_(std::make_unique<Ui::AboutTavloDialog>()) {
    ui_->setupUi(this);
    connect(ui_->btnClose, &QPushButton::clicked, this, &QDialog::accept);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    ui_->labelVersion->setText(tr("Tavlo客户端  ") + MainWindow::Version);
    ui_->labelBuildDate->setText(tr("编译日期: ") + buildDate(__DATE__, __TIME__));
}

AboutTavloDialog::~AboutTavloDialog() = default;

QString AboutTavloDialog::versionText() const {
    return ui_->labelVersion->text();
}

QString AboutTavloDialog::buildDateText() const {
    return ui_->labelBuildDate->text();
}

QString AboutTavloDialog::buildDate(const char* date, const char* time) {
    static const QStringList months{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QStringList parts = QString::fromLatin1(date).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() != 3)
        return QString::fromLatin1(date) + QLatin1Char(' ') + QString::fromLatin1(time);
    const int month = months.indexOf(parts.at(0)) + 1;
    return QStringLiteral("%1.%2.%3 %4")
        .arg(parts.at(2))
        .arg(month, 2, 10, QLatin1Char('0'))
        .arg(parts.at(1).toInt(), 2, 10, QLatin1Char('0'))
        .arg(QString::fromLatin1(time));
}
