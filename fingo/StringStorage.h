#pragma once

#include <cstddef>
#include <vector>

// A growable buffer holding one NUL-terminated wide string.
class StringStorage {
public:
    StringStorage();
    explicit StringStorage(const wchar_t* text);
    virtual ~StringStorage();

    // Copies the text; a null text stores the empty string.
    virtual void setString(const wchar_t* text);
    // printf-style formatting into the buffer, which grows to fit.
    void format(const wchar_t* format, ...);

    const wchar_t* getString() const { return m_buffer.data(); }
    std::size_t getLength() const { return m_buffer.size() - 1; }

private:
    std::vector<wchar_t> m_buffer;
};
