#include "Exception.h"

Exception::Exception(const wchar_t* message) {
    m_message.setString(message);
}

Exception::~Exception() = default;
