#pragma once

#include <QStringList>

class QTimer;

// Closes every modal dialog as soon as it appears (a warning box shown while
// a test runs on the offscreen platform would otherwise wait for ever) and
// remembers the texts it closed.
class ModalDismisser {
public:
    ModalDismisser();
    ~ModalDismisser();
    QStringList texts() const { return texts_; }

private:
    QTimer* timer_;
    QStringList texts_;
};

class QMessageBox;

// Answers the next question box (a modal QMessageBox) by clicking `button`,
// and remembers its text.
class QuestionAnswerer {
public:
    explicit QuestionAnswerer(int button);
    ~QuestionAnswerer();
    QStringList texts() const { return texts_; }

private:
    QTimer* timer_;
    QStringList texts_;
};
