#pragma once

#include <atomic>
#include <memory>

// A thread object with a virtual body and a stop flag. The system thread is
// created suspended: the derived class resumes it once it is fully built, so
// the body never runs on a half-constructed object. Derived destructors must
// stop the body (terminate plus whatever unblocks it) and wait() before their
// members go away.
class Thread {
public:
    Thread();
    virtual ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Sets the stop flag, then calls onTerminate.
    virtual void terminate();

    // Lets the thread run; true when it has been started.
    bool resume();
    // Waits without time limit for a resumed thread to end; false when it was
    // never resumed (or when called by the thread itself).
    bool wait();

    bool isTerminating() const { return m_terminated; }
    // True from a successful resume until the body has returned.
    bool isActive() const { return m_started; }

protected:
    virtual void onTerminate();
    virtual void execute() = 0;
    // Runs on the new thread before execute.
    virtual void onStarting();

private:
    struct Native;
    friend struct Native;

    // The start routine: the body inside a handler that swallows exceptions,
    // because one escaping a thread would end the whole host process.
    void run();

    std::unique_ptr<Native> m_native;
    std::atomic<bool> m_started{false};
    std::atomic<bool> m_terminated{false};
};
