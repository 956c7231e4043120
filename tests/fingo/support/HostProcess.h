#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

// A child program driven through its standard input and read line by line
// from its standard output.
class HostProcess {
public:
    HostProcess() = default;
    ~HostProcess();
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;

    bool start(const std::string& program, const std::vector<std::string>& arguments);
    bool writeLine(const std::string& line);
    // The first line starting with prefix that no earlier call returned,
    // waiting for it up to the limit; empty when none came.
    std::string waitForLine(const std::string& prefix,
                            std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Every line read so far.
    const std::vector<std::string>& lines() const { return m_lines; }
    // Closes the child's input and waits for its exit code (-1: killed
    // after the limit).
    int finish(std::chrono::milliseconds limit = std::chrono::seconds(10));

private:
    bool readMore(std::chrono::steady_clock::time_point deadline);

    pid_t m_pid = -1;
    int m_input = -1;
    int m_output = -1;
    std::string m_partial;
    std::vector<std::string> m_lines;
    std::vector<bool> m_returned;
};
