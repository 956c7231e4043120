#pragma once

#include <Fingo.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

// Records every library callback as one line ("onState 1 4242",
// "onLog 2 text", "onClientConnected 127.0.0.1 5000", "onClosed reason"),
// so tests can wait for them. The callbacks are plain functions, hence one
// recorder for the process.
class CallbackRecorder {
public:
    static CallbackRecorder& instance();
    // A record whose five entries all report to the recorder.
    static const ServerCallbacks* callbacks();

    void clear();
    void add(const std::string& line);
    std::vector<std::string> lines() const;
    // Lines starting with prefix.
    int count(const std::string& prefix) const;
    // The first line starting with prefix, waiting for it up to the limit;
    // empty when it did not come.
    std::string waitForLine(const std::string& prefix,
                            std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Waits until `count` lines start with prefix.
    bool waitForCount(const std::string& prefix, int count,
                      std::chrono::milliseconds limit = std::chrono::seconds(10));

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_lines;
};
