#pragma once

#include <QBrush>
#include <QPixmap>
#include <QProgressBar>
#include <QTimer>

// A spinner of twelve fading bars with the percentage in the middle; it
// freezes when the value reaches the maximum.
class QProgressPie : public QProgressBar {
    Q_OBJECT
public:
    explicit QProgressPie(QWidget* parent = nullptr);

    void setPixmap(const QPixmap& pixmap);
    int angle() const { return angle_; }
    bool isSpinning() const { return timer_.isActive(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private slots:
    void updateAngle();

private:
    QBrush brush_;
    QPixmap pixmap_;
    QTimer timer_;
    int angle_ = 0;
};
