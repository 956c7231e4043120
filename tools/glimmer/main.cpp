// glimmer: stands in for the mirroring program (see --help). It shows no
// video; it only plays the program's side of the control channel.
#include "StandInMirror.h"
#include "StandInOptions.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("glimmer"));

    StandInOptions options;
    if (!options.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "glimmer: %s\n", qPrintable(options.errorText()));
        return 2;
    }
    if (options.helpRequested()) {
        std::fputs(options.helpText().toLocal8Bit().constData(), stdout);
        return 0;
    }

    StandInMirror mirror(options);
    QObject::connect(&mirror, &StandInMirror::finished, &app, &QCoreApplication::exit,
                     Qt::QueuedConnection);
    if (!mirror.start())
        return 1;
    return app.exec();
}
