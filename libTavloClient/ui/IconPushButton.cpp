#include "ui/IconPushButton.h"

#include <QMouseEvent>
#include <QPropertyAnimation>
#include <QTimer>

IconPushButton::IconPushButton(QWidget* parent)
    : QPushButton(parent)
    , press_(new QPropertyAnimation(this, "geometry", this)) {
    press_->setDuration(PressAnimationMs);
    // The form sets the icon and its own style after construction; the
    // transparent frame goes on once the event loop runs.
    QTimer::singleShot(0, this, &IconPushButton::priSetStyleSheet);
}

void IconPushButton::priSetStyleSheet() {
    setStyleSheet(
        QStringLiteral("background-image: url();border-image: url(:/drawable/alpha0.png);"));
}

void IconPushButton::setNormalPixmap(const QPixmap& pixmap) {
    normal_ = pixmap;
    if (!hasFocus())
        setIcon(QIcon(normal_));
}

void IconPushButton::setFocusPixmap(const QPixmap& pixmap) {
    focus_ = pixmap;
    if (hasFocus())
        setIcon(QIcon(focus_));
}

void IconPushButton::focusInEvent(QFocusEvent* event) {
    if (normal_.isNull())
        normal_ = icon().pixmap(iconSize());
    if (focus_.isNull())
        focus_ = icon().pixmap(iconSize());
    setIcon(QIcon(focus_));
    QPushButton::focusInEvent(event);
    emit focusIn();
}

void IconPushButton::focusOutEvent(QFocusEvent* event) {
    if (!normal_.isNull())
        setIcon(QIcon(normal_));
    QPushButton::focusOutEvent(event);
    emit focusOut();
}

void IconPushButton::mousePressEvent(QMouseEvent* event) {
    QPushButton::mousePressEvent(event);
    if (event->button() != Qt::LeftButton || sunk_)
        return;
    sunk_ = true;
    restingGeometry_ = geometry();
    press_->stop();
    press_->setStartValue(restingGeometry_);
    press_->setEndValue(restingGeometry_.translated(PressShift, PressShift));
    press_->start();
}

void IconPushButton::mouseReleaseEvent(QMouseEvent* event) {
    QPushButton::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton || !sunk_)
        return;
    sunk_ = false;
    press_->stop();
    setGeometry(restingGeometry_);
}
