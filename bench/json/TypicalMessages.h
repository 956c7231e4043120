#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <vector>

// Messages of the sizes and shapes the client exchanges most: a device's
// answer to the device query, an upload request, a completion poll and one
// datagram of a folder listing (20 entries with Chinese names).
struct TypicalMessage {
    const char* name;
    QVariant value;
    QByteArray utf8; // as the client's codec writes it
    QString text;    // as the codec reads it (after the UTF-8 decode)
};

// Made on first use (never during static initialisation: the protocol's
// words are themselves static objects).
const std::vector<TypicalMessage>& typicalMessages();
constexpr int TypicalMessageCount = 4;
