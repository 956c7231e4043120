#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVariantMap>

// The client's own JSON codec. Its serializer output is what devices receive,
// so spacing, member order and number format are part of the wire protocol.
namespace QtJson {

using JsonObject = QVariantMap;
using JsonArray = QVariantList;

// Deeper nesting than this fails the parse instead of exhausting the stack.
constexpr int MaxNestingDepth = 256;

QVariant parse(const QString& json, bool& success);
QVariant parse(const QString& json);

QByteArray serialize(const QVariant& data, bool& success);
QByteArray serialize(const QVariant& data);

} // namespace QtJson
