#include "CallbackRecorder.h"

#include <algorithm>

namespace {

void onState(int state, int port) {
    CallbackRecorder::instance().add("onState " + std::to_string(state) + " " +
                                     std::to_string(port));
}

void onClosed(const char* reason) {
    CallbackRecorder::instance().add(std::string("onClosed ") + reason);
}

void onLog(int level, const char* text) {
    CallbackRecorder::instance().add("onLog " + std::to_string(level) + " " + text);
}

void onClientConnected(const char* ip, int port) {
    CallbackRecorder::instance().add(std::string("onClientConnected ") + ip + " " +
                                     std::to_string(port));
}

void onClientDisconnected(const char* ip, int port) {
    CallbackRecorder::instance().add(std::string("onClientDisconnected ") + ip + " " +
                                     std::to_string(port));
}

const ServerCallbacks kCallbacks = {&onState, &onClosed, &onLog, &onClientConnected,
                                    &onClientDisconnected};

bool startsWith(const std::string& line, const std::string& prefix) {
    return line.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

CallbackRecorder& CallbackRecorder::instance() {
    static CallbackRecorder recorder;
    return recorder;
}

const ServerCallbacks* CallbackRecorder::callbacks() {
    return &kCallbacks;
}

void CallbackRecorder::clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lines.clear();
}

void CallbackRecorder::add(const std::string& line) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lines.push_back(line);
    }
    m_changed.notify_all();
}

std::vector<std::string> CallbackRecorder::lines() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines;
}

int CallbackRecorder::count(const std::string& prefix) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(
        std::count_if(m_lines.begin(), m_lines.end(),
                      [&](const std::string& line) { return startsWith(line, prefix); }));
}

std::string CallbackRecorder::waitForLine(const std::string& prefix,
                                          std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> lock(m_mutex);
    std::string found;
    m_changed.wait_for(lock, limit, [&] {
        for (const std::string& line : m_lines) {
            if (startsWith(line, prefix)) {
                found = line;
                return true;
            }
        }
        return false;
    });
    return found;
}

bool CallbackRecorder::waitForCount(const std::string& prefix, int count,
                                    std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, limit, [&] {
        return std::count_if(m_lines.begin(), m_lines.end(), [&](const std::string& line) {
                   return startsWith(line, prefix);
               }) >= count;
    });
}
