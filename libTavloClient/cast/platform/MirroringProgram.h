#pragma once

#include <QString>

// The external mirroring program that carries the picture to the device.
namespace MirroringProgram {

// The name the desktop's program lookup is given: "Glimmer.exe" on Windows;
// on Linux an executable named "glimmer" (the program's folder first, then
// PATH).
QString fileName();

} // namespace MirroringProgram
