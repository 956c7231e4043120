#pragma once

#include <QString>

// A feature a peer offers on a port of its own, written "name : port".
struct SupportPort {
    QString name;
    int port = 0;

    static const QString Separator; // " : "

    QString toString() const;
    // A support entry is a port entry only when it splits into exactly a name
    // and a decimal port from 1 to 65535; anything else is a plain feature
    // name.
    static bool parse(const QString& entry, SupportPort& out);

    bool operator==(const SupportPort& other) const {
        return name == other.name && port == other.port;
    }
    bool operator!=(const SupportPort& other) const { return !(*this == other); }
};
