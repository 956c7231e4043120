#pragma once

#include "ContactTouchSimulater.h"

namespace Fingo {

// The touch back end on Windows: real contacts through the system's touch
// injection, looked up in User32 at run time.
class Win8TouchSimulater : public ContactTouchSimulater {
public:
    explicit Win8TouchSimulater(const Logger& log);

protected:
    bool touchAvailable() const override { return m_injectTouchInput != nullptr; }
    ScreenSize screenSize() override;
    bool injectContacts(const std::vector<TouchContact>& contacts) override;
    unsigned long lastError() override;

private:
    // InjectTouchInput, kept untyped so this header needs no Windows headers.
    void (*m_injectTouchInput)() = nullptr;
};

} // namespace Fingo
