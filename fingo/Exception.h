#pragma once

#include "StringStorage.h"

// The library's own exception: a wide-character message. The only kind the
// thread start routine expects from a thread body.
class Exception {
public:
    explicit Exception(const wchar_t* message = L"");
    virtual ~Exception();

    const wchar_t* getMessage() const { return m_message.getString(); }

private:
    StringStorage m_message;
};
