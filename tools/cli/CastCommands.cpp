#include "CastCommands.h"

#include "CastSession.h"
#include "CliContext.h"
#include "cast/GlimmerTask.h"

#include <QRegularExpression>

namespace CastCommands {
namespace {

bool parseScreen(const QString& text, QSize& size) {
    static const QRegularExpression format(QStringLiteral("^([1-9][0-9]{0,4})x([1-9][0-9]{0,4})$"));
    const QRegularExpressionMatch match = format.match(text);
    if (!match.hasMatch())
        return false;
    size = QSize(match.captured(1).toInt(), match.captured(2).toInt());
    return true;
}

} // namespace

int cast(CliContext& context) {
    if (!context.arguments.isEmpty())
        return context.usageError(QStringLiteral("cast takes no arguments"));
    QSize screen(1920, 1080);
    const QString screenText = context.parser.value(QStringLiteral("screen"));
    if (!screenText.isEmpty() && !parseScreen(screenText, screen))
        return context.usageError(
            QStringLiteral("--screen needs WIDTHxHEIGHT: %1").arg(screenText));
    ServerContent device;
    if (!context.targetDevice(device))
        return CliContext::Usage;
    bool castable = false;
    const SupportPort feature = device.supportPort(GlimmerTask::FeatureName, &castable);
    if (!castable) {
        context.error(QStringLiteral("%1 offers no screen casting (no \"%2\" port)")
                          .arg(device.address.toString(), GlimmerTask::FeatureName));
        return CliContext::Failure;
    }
    CastSession session(context, device, feature.port, screen,
                        context.parser.isSet(QStringLiteral("password-prompt")));
    return session.exec();
}

} // namespace CastCommands
