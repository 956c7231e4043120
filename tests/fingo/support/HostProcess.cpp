#include "HostProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

HostProcess::~HostProcess() {
    if (m_pid > 0)
        finish(std::chrono::seconds(5));
    if (m_output >= 0)
        close(m_output);
}

bool HostProcess::start(const std::string& program, const std::vector<std::string>& arguments) {
    int input[2];
    int output[2];
    if (pipe2(input, O_CLOEXEC) != 0 || pipe2(output, O_CLOEXEC) != 0)
        return false;
    m_pid = fork();
    if (m_pid == 0) {
        dup2(input[0], STDIN_FILENO);
        dup2(output[1], STDOUT_FILENO);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(input[0]);
    close(output[1]);
    m_input = input[1];
    m_output = output[0];
    return m_pid > 0;
}

bool HostProcess::writeLine(const std::string& line) {
    const std::string text = line + "\n";
    return m_input >= 0 &&
           write(m_input, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

bool HostProcess::readMore(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0)
        return false;
    pollfd ready{m_output, POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(left.count())) <= 0)
        return false;
    char buffer[4096];
    const ssize_t count = read(m_output, buffer, sizeof buffer);
    if (count <= 0)
        return false;
    m_partial.append(buffer, static_cast<std::size_t>(count));
    for (std::size_t end; (end = m_partial.find('\n')) != std::string::npos;) {
        m_lines.push_back(m_partial.substr(0, end));
        m_returned.push_back(false);
        m_partial.erase(0, end + 1);
    }
    return true;
}

std::string HostProcess::waitForLine(const std::string& prefix, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        for (std::size_t i = 0; i < m_lines.size(); ++i) {
            if (!m_returned[i] && m_lines[i].rfind(prefix, 0) == 0) {
                m_returned[i] = true;
                return m_lines[i];
            }
        }
        if (!readMore(deadline))
            return {};
    }
}

int HostProcess::finish(std::chrono::milliseconds limit) {
    if (m_input >= 0)
        close(m_input);
    m_input = -1;
    if (m_pid <= 0)
        return -1;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    // Keep reading, so a talkative child never blocks on a full pipe.
    while (waitpid(m_pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, &status, 0);
            m_pid = -1;
            return -1;
        }
        if (!readMore(std::min(deadline,
                               std::chrono::steady_clock::now() + std::chrono::milliseconds(100))))
            poll(nullptr, 0, 10); // the child has closed its output and is ending
    }
    m_pid = -1;
    while (readMore(std::chrono::steady_clock::now() + std::chrono::milliseconds(100))) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
