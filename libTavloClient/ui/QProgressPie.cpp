#include "ui/QProgressPie.h"

#include <QPainter>

#include <cmath>

QProgressPie::QProgressPie(QWidget* parent)
    : QProgressBar(parent)
    , brush_(QColor(33, 200, 33, 155)) {
    connect(&timer_, &QTimer::timeout, this, &QProgressPie::updateAngle, Qt::UniqueConnection);
    timer_.start(45);
}

void QProgressPie::setPixmap(const QPixmap& pixmap) {
    pixmap_ = pixmap.scaled(size());
    brush_.setTexture(pixmap_);
}

void QProgressPie::resizeEvent(QResizeEvent* event) {
    QProgressBar::resizeEvent(event);
    if (!pixmap_.isNull())
        setPixmap(pixmap_);
}

void QProgressPie::updateAngle() {
    angle_ = (angle_ + 30) % 360;
    repaint();
}

void QProgressPie::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QRect area = rect();
    // Blended, not copied: on a window without an alpha channel a copied
    // transparent fill would show as black.
    painter.fillRect(area, Qt::transparent);

    const int w = area.right() - area.left();
    const int outer = int(std::lround(w * 0.5));
    const int length = outer - int(std::lround(w * 0.5 * 0.55));
    const int width = int(std::lround(length * (w < 32 ? 0.5 : 0.35)));
    for (int i = 0; i < 12; ++i) {
        QColor colour = brush_.color();
        colour.setAlphaF(1.0 - i / 12.0);
        painter.save();
        painter.translate(area.center());
        painter.rotate(angle_ - 30 * i);
        painter.setBrush(colour);
        painter.drawRoundedRect(-width / 2, -outer, width, length, width / 2, width / 2);
        painter.restore();
    }

    if (maximum() != minimum()) {
        QFont font = painter.font();
        font.setPixelSize(qMax(8, w / 4));
        painter.setFont(font);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(area, Qt::AlignCenter, QString::number(value()) + QLatin1Char('%'));
        if (value() >= maximum())
            timer_.stop();
    }
}
