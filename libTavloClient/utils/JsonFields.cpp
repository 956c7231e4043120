#include "utils/JsonFields.h"

#include <limits>

bool JsonFields::text(const QVariantMap& message, const QString& key, QString& value) {
    const auto it = message.constFind(key);
    if (it == message.constEnd() || it->userType() != QMetaType::QString)
        return false;
    value = it->toString();
    return true;
}

QString JsonFields::textOr(const QVariantMap& message, const QString& key,
                           const QString& fallback) {
    QString value;
    return text(message, key, value) ? value : fallback;
}

bool JsonFields::integer(const QVariantMap& message, const QString& key, qint64 min, qint64 max,
                         qint64& value) {
    const auto it = message.constFind(key);
    if (it == message.constEnd())
        return false;
    bool ok = false;
    qint64 number = 0;
    switch (it->userType()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
        number = it->toLongLong(&ok);
        break;
    case QMetaType::UInt:
    case QMetaType::ULongLong: {
        // Beyond the signed range an unsigned value would wrap to a negative one.
        const qulonglong unsignedNumber = it->toULongLong(&ok);
        ok = ok && unsignedNumber <= qulonglong(std::numeric_limits<qint64>::max());
        number = qint64(unsignedNumber);
        break;
    }
    case QMetaType::QString:
        number = it->toString().toLongLong(&ok, 10);
        break;
    default:
        return false;
    }
    if (!ok || number < min || number > max)
        return false;
    value = number;
    return true;
}

qint64 JsonFields::integerOr(const QVariantMap& message, const QString& key, qint64 min, qint64 max,
                             qint64 fallback) {
    qint64 value = 0;
    return integer(message, key, min, max, value) ? value : fallback;
}

bool JsonFields::flagOr(const QVariantMap& message, const QString& key, bool fallback) {
    const auto it = message.constFind(key);
    if (it == message.constEnd() || it->userType() != QMetaType::Bool)
        return fallback;
    return it->toBool();
}

QVariantList JsonFields::listOr(const QVariantMap& message, const QString& key) {
    const auto it = message.constFind(key);
    if (it == message.constEnd() || it->userType() != QMetaType::QVariantList)
        return QVariantList();
    return it->toList();
}
