#include "EventLog.h"

#include <QMutexLocker>

void EventLog::event(const QString& line) {
    const QByteArray bytes = oneLine(line).toUtf8() + '\n';
    QMutexLocker lock(&mutex_);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), out_);
    std::fflush(out_);
}

void EventLog::detail(const QString& line) {
    if (!quiet_)
        event(line);
}

QString EventLog::oneLine(const QString& text) {
    QString result = text;
    result.replace(QLatin1Char('\r'), QLatin1String("\\r"));
    result.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    return result;
}
