#pragma once

#include "ITouchSimulater.h"
#include "Logger.h"
#include "ScreenSize.h"
#include "TouchContact.h"

#include <vector>

namespace Fingo {

// Injects real touch contacts: every point of a batch becomes one contact,
// clamped to the primary screen, and the batch goes to the platform in one
// call. A batch with an unknown action is not injected at all.
class ContactTouchSimulater : public ITouchSimulater {
public:
    explicit ContactTouchSimulater(const Logger& log);

    bool inject(int count, const TouchPoint* points) override;

protected:
    // False when the platform's touch injection could not be set up; every
    // injection then fails without a log line.
    virtual bool touchAvailable() const = 0;
    virtual ScreenSize screenSize() = 0;
    virtual bool injectContacts(const std::vector<TouchContact>& contacts) = 0;
    // The platform's error code of the last failed injection.
    virtual unsigned long lastError() = 0;

    const Logger& log() const { return m_log; }

private:
    TouchContact contactFor(const TouchPoint& point);

    Logger m_log;
};

} // namespace Fingo
