#pragma once

#include <cstddef>

// Writes all `size` bytes to a connected socket, whatever the system takes
// per call; false when the connection fails.
bool sendAll(int socket, const char* data, std::size_t size);
