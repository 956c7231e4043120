#include "log/LogDialog.h"

#include "log/CustomMsgHandler.h"

#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

LogDialog::LogDialog(QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("LogDialog"));
    resize(618, 362);
    setWindowTitle(tr("TavloClient调试窗口"));

    auto* layout = new QVBoxLayout(this);
    logTextEdit_ = new QTextEdit(this);
    logTextEdit_->setObjectName(QStringLiteral("logTextEdit"));
    logTextEdit_->setReadOnly(true);
    clearButton_ = new QPushButton(tr("清除"), this);
    clearButton_->setObjectName(QStringLiteral("clearButton"));
    layout->addWidget(logTextEdit_);
    layout->addWidget(clearButton_);
    connect(clearButton_, &QPushButton::clicked, logTextEdit_, &QTextEdit::clear);

    handler_ = new CustomMsgHandler(this);
    connect(handler_, &CustomMsgHandler::message, this, &LogDialog::appendMsg,
            Qt::QueuedConnection);
    handler_->install();
}

LogDialog::~LogDialog() {
    handler_->uninstall();
    disconnect(handler_, &CustomMsgHandler::message, this, &LogDialog::appendMsg);
    delete handler_;
}

QString LogDialog::decorate(const QString& message) {
    if (message.size() < 2)
        return message;
    const char* colour = nullptr;
    switch (message.at(1).unicode()) {
    case 'E':
        colour = "red";
        break;
    case 'W':
        colour = "orange";
        break;
    case 'I':
        colour = "green";
        break;
    case 'D':
        colour = "blue";
        break;
    default:
        return message;
    }
    // Escaped so that a "<" in a message cannot swallow the rest of the line.
    return QStringLiteral("<font color=%1>%2</font>")
        .arg(QLatin1String(colour), message.toHtmlEscaped());
}

void LogDialog::appendMsg(QString msg) {
    logTextEdit_->append(decorate(msg));
}
