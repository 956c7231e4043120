#pragma once

class CliContext;

// send, ls, get, open, rm, thumb and welcome: the file operations on a device.
namespace FileCommands {

int send(CliContext& context);
int list(CliContext& context);
int get(CliContext& context);
int open(CliContext& context);
int remove(CliContext& context);
int thumb(CliContext& context);
int welcome(CliContext& context);

} // namespace FileCommands
