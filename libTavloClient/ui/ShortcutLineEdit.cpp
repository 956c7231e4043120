#include "ui/ShortcutLineEdit.h"

#include <QKeyEvent>
#include <QKeySequence>
#include <QVector>

ShortcutLineEdit::ShortcutLineEdit(QWidget* parent)
    : QLineEdit(parent) {}

QString ShortcutLineEdit::textFor(Qt::KeyboardModifiers modifiers, int key) {
    QVector<int> entries;
    if (modifiers & Qt::ControlModifier)
        entries.append(Qt::CTRL);
    if (modifiers & Qt::ShiftModifier)
        entries.append(Qt::SHIFT);
    if (modifiers & Qt::AltModifier)
        entries.append(Qt::ALT);
    entries.append(key);
    entries.resize(4);
    const QKeySequence sequence(entries[0], entries[1], entries[2], entries[3]);
    return sequence.toString(QKeySequence::PortableText).remove(QStringLiteral(", "));
}

void ShortcutLineEdit::keyPressEvent(QKeyEvent* event) {
    setText(textFor(event->modifiers(), event->key()));
    event->accept();
}
