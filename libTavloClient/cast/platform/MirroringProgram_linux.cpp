#include "cast/platform/MirroringProgram.h"

namespace MirroringProgram {

QString fileName() {
    return QStringLiteral("glimmer");
}

} // namespace MirroringProgram
