#include "cast/platform/MirroringProgram.h"

namespace MirroringProgram {

QString fileName() {
    return QStringLiteral("Glimmer.exe");
}

} // namespace MirroringProgram
