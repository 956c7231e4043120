#include "utils/platform/AutoRunStore.h"

#include <QSettings>

// The per-user Run key of the registry: one string value per entry name.
namespace AutoRunStore {
namespace {

QSettings& runKey() {
    static QSettings* settings = new QSettings(
        QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"),
        QSettings::NativeFormat);
    return *settings;
}

} // namespace

QString read(const QString& name) {
    return runKey().value(name, QString()).toString();
}

// The program path is written as it is, without quotes.
void write(const QString& name, const QString& program, const QString& arguments) {
    runKey().setValue(name, program + QLatin1Char(' ') + arguments);
}

void remove(const QString& name) {
    runKey().remove(name);
}

} // namespace AutoRunStore
