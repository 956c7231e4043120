#pragma once

#include <QLineEdit>

// Records a hot key: every key press replaces the text with the combination
// held (Ctrl, Shift, Alt, then the key), for example "Ctrl+Shift+F" or "F11".
class ShortcutLineEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit ShortcutLineEdit(QWidget* parent = nullptr);

    static QString textFor(Qt::KeyboardModifiers modifiers, int key);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
