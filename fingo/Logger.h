#pragma once

namespace Fingo {

using LogFunction = void (*)(int level, const char* text);

// Formats log lines and hands them to the host's log callback (which may be
// null: then nothing is reported).
class Logger {
public:
    enum Level { Error = 0, Warning = 1, Information = 2, Detail = 4 };

    explicit Logger(LogFunction sink = nullptr);

#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    void
    log(int level, const char* format, ...) const;

    LogFunction sink() const {
        return m_sink;
    }

private:
    LogFunction m_sink;
};

} // namespace Fingo
