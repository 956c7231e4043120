#include "log/CustomMsgHandler.h"

#include "log/FileLogWriter.h"

#include <QMutex>

namespace {

QMutex& installedMutex() {
    static QMutex mutex(QMutex::Recursive);
    return mutex;
}

CustomMsgHandler* installedHandler = nullptr;

} // namespace

CustomMsgHandler::CustomMsgHandler(QObject* parent)
    : QObject(parent)
    , writer_(new FileLogWriter(QStringLiteral("TavloClient"))) {
    writer_->start(QThread::InheritPriority);
}

CustomMsgHandler::~CustomMsgHandler() {
    uninstall();
    delete writer_;
}

bool CustomMsgHandler::install() {
    QMutexLocker lock(&installedMutex());
    if (installedHandler)
        return false;
    installedHandler = this;
    qInstallMessageHandler(&CustomMsgHandler::handle);
    return true;
}

bool CustomMsgHandler::uninstall() {
    QMutexLocker lock(&installedMutex());
    if (installedHandler != this)
        return false;
    qInstallMessageHandler(nullptr);
    installedHandler = nullptr;
    return true;
}

void CustomMsgHandler::handle(QtMsgType, const QMessageLogContext&, const QString& text) {
    QMutexLocker lock(&installedMutex());
    if (!installedHandler)
        return;
    emit installedHandler->writer_->bridge()->onWriteMessage(text);
    emit installedHandler->message(text);
}
