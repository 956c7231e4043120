#pragma once

#include <QPixmap>
#include <QPushButton>

class QPropertyAnimation;

// A flat push button whose icon changes while it has the focus and which
// sinks a little (2 pixels right and down) while it is pressed.
class IconPushButton : public QPushButton {
    Q_OBJECT
public:
    static constexpr int PressShift = 2;
    static constexpr int PressAnimationMs = 100;

    explicit IconPushButton(QWidget* parent = nullptr);

    void setNormalPixmap(const QPixmap& pixmap);
    void setFocusPixmap(const QPixmap& pixmap);
    QPixmap normalPixmap() const { return normal_; }
    QPixmap focusPixmap() const { return focus_; }

signals:
    void focusOut();
    void focusIn();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private slots:
    void priSetStyleSheet();

private:
    QPixmap normal_;
    QPixmap focus_;
    QPropertyAnimation* press_;
    QRect restingGeometry_;
    bool sunk_ = false;
};
