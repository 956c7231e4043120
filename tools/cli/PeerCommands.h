#pragma once

class CliContext;

// receive and offer: files between two PCs running the client.
namespace PeerCommands {

int receive(CliContext& context);
int offer(CliContext& context);

} // namespace PeerCommands
