#include "utils/SupportPort.h"

#include <QStringList>

const QString SupportPort::Separator = QStringLiteral(" : ");

QString SupportPort::toString() const {
    return name + Separator + QString::number(port);
}

bool SupportPort::parse(const QString& entry, SupportPort& out) {
    const QStringList parts = entry.split(Separator);
    if (parts.size() != 2)
        return false;
    bool ok = false;
    const int port = parts.at(1).toInt(&ok, 10);
    if (!ok || port < 1 || port > 65535)
        return false;
    out.name = parts.at(0);
    out.port = port;
    return true;
}
