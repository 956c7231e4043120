#pragma once

#include <QString>
#include <QVariantList>
#include <QVariantMap>

// Reads the members of a message that a peer sent. A member of the wrong
// JSON type, or a number outside the range the reader asks for, counts as
// absent: the caller treats it exactly like a missing member.
class JsonFields {
public:
    // A JSON string only.
    static bool text(const QVariantMap& message, const QString& key, QString& value);
    static QString textOr(const QVariantMap& message, const QString& key,
                          const QString& fallback = QString());

    // A JSON integer, or a string of decimal digits (some devices quote their
    // numbers), within min..max. Fractions and booleans are no integers.
    static bool integer(const QVariantMap& message, const QString& key, qint64 min, qint64 max,
                        qint64& value);
    static qint64 integerOr(const QVariantMap& message, const QString& key, qint64 min, qint64 max,
                            qint64 fallback);

    // A JSON true or false only.
    static bool flagOr(const QVariantMap& message, const QString& key, bool fallback);

    // A JSON array only; empty otherwise.
    static QVariantList listOr(const QVariantMap& message, const QString& key);
};
