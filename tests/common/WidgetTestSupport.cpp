#include "common/WidgetTestSupport.h"

#include <QAbstractButton>
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

QuestionAnswerer::QuestionAnswerer(int button)
    : timer_(new QTimer) {
    QObject::connect(timer_, &QTimer::timeout, [this, button] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        texts_.append(box->text());
        if (QAbstractButton* answer = box->button(QMessageBox::StandardButton(button)))
            answer->click();
        else
            box->reject();
    });
    timer_->start(20);
}

QuestionAnswerer::~QuestionAnswerer() {
    delete timer_;
}
