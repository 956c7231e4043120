#pragma once

#include <string>

// The device's side of one remote-input connection on loopback: connects and
// writes bytes, nothing else. Small frames leave at once (no Nagle delay), so
// that what is measured is the receiving side.
class DeviceConnection {
public:
    DeviceConnection() = default;
    ~DeviceConnection();
    DeviceConnection(const DeviceConnection&) = delete;
    DeviceConnection& operator=(const DeviceConnection&) = delete;

    bool connectTo(const std::string& address, int port);
    bool sendAll(const char* data, std::size_t size);
    void close();

private:
    int m_socket = -1;
};
