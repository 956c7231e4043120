#pragma once

#include "utils/SupportPort.h"

#include <QHash>
#include <QHostAddress>
#include <QMetaType>
#include <QString>
#include <QStringList>

// One Tavlo device, or another PC running the client, as the client knows it.
struct ServerContent {
    static constexpr int DefaultQueryPort = 16020;

    QHostAddress address;
    int port = DefaultQueryPort;
    QString name;
    QString version;
    QString os;
    QString uuid;
    bool valid = false;
    QString type;
    qint64 lastSeen = 0;
    QStringList supports;
    QHash<QString, SupportPort> supportPorts;

    // A port entry replaces the feature of the same name; anything else is
    // appended to the plain features (duplicates kept).
    void addSupport(const QString& entry);
    SupportPort supportPort(const QString& name, bool* present = nullptr) const;
    bool isClient() const;
    // Every support entry in its text form: plain features, then port entries.
    QStringList supportEntries() const;

    // Devices are the same when uuid, address, name and feature ports agree;
    // version, os, type, port and the plain features do not take part.
    bool operator==(const ServerContent& other) const;
    bool operator!=(const ServerContent& other) const { return !(*this == other); }
};

Q_DECLARE_METATYPE(ServerContent)
