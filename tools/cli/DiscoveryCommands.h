#pragma once

class CliContext;

// discover, query, respond and devices.
namespace DiscoveryCommands {

int discover(CliContext& context);
int query(CliContext& context);
int respond(CliContext& context);
int devices(CliContext& context);

} // namespace DiscoveryCommands
