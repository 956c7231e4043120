#include "ui/platform/TaskbarProgress.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QVariantMap>

namespace {

// The launcher entry signal that the common Linux task managers (GNOME's
// dock, KDE's task manager, Plank, ...) read: a progress bar on the
// program's entry, its value and an urgency hint.
class LauncherEntryProgress : public TaskbarProgress {
public:
    LauncherEntryProgress()
        : busAvailable_(sessionBusExists() && QDBusConnection::sessionBus().isConnected()) {}

protected:
    void publish(Change change) override {
        if (change == Change::Shown || change == Change::Hidden)
            ranSinceShown_ = false;
        else if (change == Change::Resumed && isVisible())
            ranSinceShown_ = true;
        if (!busAvailable_)
            return;

        double value = 1.0;
        if (state() == State::Paused)
            value = 0.5;
        else if (state() == State::Stopped)
            value = 0.0;
        // Only a cast that was running and stopped wants the user's eye.
        const bool urgent = isVisible() && state() == State::Stopped && ranSinceShown_;
        QDBusMessage update = QDBusMessage::createSignal(
            QStringLiteral("/com/canonical/unity/launcherentry/tavlo_client"),
            QStringLiteral("com.canonical.Unity.LauncherEntry"), QStringLiteral("Update"));
        update << applicationUri()
               << QVariantMap{{QStringLiteral("progress-visible"), isVisible()},
                              {QStringLiteral("progress"), value},
                              {QStringLiteral("urgent"), urgent}};
        QDBusConnection::sessionBus().send(update);
    }

private:
    // Asking for the session bus where none runs would make the D-Bus library
    // start one through X11 autolaunch; only a bus that is there is used.
    static bool sessionBusExists() {
        if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
            return true;
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        return !runtime.isEmpty() &&
               QFileInfo::exists(QDir(runtime).filePath(QStringLiteral("bus")));
    }

    static QString applicationUri() {
        QString desktopFile = QGuiApplication::desktopFileName();
        if (desktopFile.isEmpty())
            desktopFile = QCoreApplication::applicationName();
        return QStringLiteral("application://%1.desktop").arg(desktopFile);
    }

    bool busAvailable_;
    bool ranSinceShown_ = false;
};

} // namespace

std::unique_ptr<TaskbarProgress> TaskbarProgress::create(QWidget*) {
    return std::make_unique<LauncherEntryProgress>();
}
