#pragma once

#include <QDialog>

class CustomMsgHandler;
class QPushButton;
class QTextEdit;

// The hidden debug window: every log line of the run, coloured by level.
class LogDialog : public QDialog {
    Q_OBJECT
public:
    explicit LogDialog(QWidget* parent = nullptr);
    ~LogDialog() override;

    // The line as the window shows it: wrapped in a colour by its level letter.
    static QString decorate(const QString& message);

    QTextEdit* textEdit() const { return logTextEdit_; }
    CustomMsgHandler* handler() const { return handler_; }

public slots:
    void appendMsg(QString msg);

private:
    QTextEdit* logTextEdit_;
    QPushButton* clearButton_;
    CustomMsgHandler* handler_;
};
