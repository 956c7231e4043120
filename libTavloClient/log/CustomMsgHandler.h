#pragma once

#include <QObject>

class FileLogWriter;

// The process message handler: every qDebug/qWarning/qCritical line goes to
// the log file and to the debug window, from whichever thread logs.
class CustomMsgHandler : public QObject {
    Q_OBJECT
public:
    explicit CustomMsgHandler(QObject* parent = nullptr);
    ~CustomMsgHandler() override;

    // False when another handler is already installed.
    bool install();
    bool uninstall();

    FileLogWriter* writer() const { return writer_; }

signals:
    void message(QString message);

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text);

    FileLogWriter* writer_;
};
