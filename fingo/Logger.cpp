#include "Logger.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace Fingo {

Logger::Logger(LogFunction sink)
    : m_sink(sink) {}

void Logger::log(int level, const char* format, ...) const {
    if (m_sink == nullptr)
        return;
    va_list arguments;
    va_start(arguments, format);
    va_list measuring;
    va_copy(measuring, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, measuring);
    va_end(measuring);
    if (length >= 0) {
        std::vector<char> text(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(text.data(), text.size(), format, arguments);
        m_sink(level, text.data());
    }
    va_end(arguments);
}

} // namespace Fingo
