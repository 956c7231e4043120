#pragma once

class CliContext;

// cast: mirrors the screen onto a device through the mirroring program.
namespace CastCommands {

int cast(CliContext& context);

} // namespace CastCommands
