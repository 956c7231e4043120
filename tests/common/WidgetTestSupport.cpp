#include "common/WidgetTestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>

ModalDismisser::ModalDismisser()
    : timer_(new QTimer) {
    QObject::connect(timer_, &QTimer::timeout, [this] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            texts_.append(box->text());
        else
            texts_.append(modal->windowTitle());
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    });
    timer_->start(20);
}

ModalDismisser::~ModalDismisser() {
    delete timer_;
}
