#include "utils/LogLine.h"

#include <QRegularExpression>

namespace LogLine {

QString message(const QString& line) {
    static const QRegularExpression prefix(QStringLiteral("^\\[[A-Z]\\]\\[[^\\]]*\\] "));
    return QString(line).remove(prefix);
}

} // namespace LogLine
