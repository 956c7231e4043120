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

void write(const QString& name, const QString& commandLine) {
    runKey().setValue(name, commandLine);
}

void remove(const QString& name) {
    runKey().remove(name);
}

} // namespace AutoRunStore
