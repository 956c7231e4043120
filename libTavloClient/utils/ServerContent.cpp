#include "utils/ServerContent.h"

#include "utils/ProtocolDefinedJsonObject.h"

#include <algorithm>

void ServerContent::addSupport(const QString& entry) {
    SupportPort port;
    if (SupportPort::parse(entry, port))
        supportPorts.insert(port.name, port);
    else
        supports.append(entry);
}

SupportPort ServerContent::supportPort(const QString& featureName, bool* present) const {
    const auto it = supportPorts.constFind(featureName);
    if (present)
        *present = it != supportPorts.constEnd();
    return it != supportPorts.constEnd() ? it.value() : SupportPort();
}

bool ServerContent::isClient() const {
    return type == Protocol::CLIENT;
}

QStringList ServerContent::supportEntries() const {
    QStringList entries = supports;
    QStringList portEntries;
    for (const SupportPort& port : supportPorts)
        portEntries.append(port.toString());
    std::sort(portEntries.begin(), portEntries.end());
    return entries + portEntries;
}

bool ServerContent::operator==(const ServerContent& other) const {
    if (uuid != other.uuid || address != other.address || name != other.name)
        return false;
    if (supportPorts.size() != other.supportPorts.size())
        return false;
    for (auto it = supportPorts.cbegin(); it != supportPorts.cend(); ++it) {
        const auto match = other.supportPorts.constFind(it.key());
        if (match == other.supportPorts.cend() || match.value() != it.value())
            return false;
    }
    return true;
}
