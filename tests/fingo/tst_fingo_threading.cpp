// The threading primitives: suspended threads, stop flag, re-entrant mutex,
// auto-reset event, wide strings and the library's exception.
#include "AutoLock.h"
#include "Exception.h"
#include "LocalMutex.h"
#include "StringStorage.h"
#include "Thread.h"
#include "WindowsEvent.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace {

// Runs a body given as a function; records that it ran and on which thread.
class ProbeThread : public Thread {
public:
    enum class Body { RecordAndWait, ThrowException, ThrowOther };

    explicit ProbeThread(Body body)
        : m_body(body) {}
    ~ProbeThread() override {
        terminate();
        wait();
    }

    WindowsEvent ran;
    std::atomic<bool> startingSeen{false};
    std::atomic<bool> executed{false};

protected:
    void onTerminate() override { m_stop.notify(); }
    void onStarting() override { startingSeen = true; }
    void execute() override {
        executed = true;
        ran.notify();
        switch (m_body) {
        case Body::RecordAndWait:
            while (!isTerminating())
                m_stop.waitForEvent(10000);
            break;
        case Body::ThrowException:
            throw Exception(L"body failed");
        case Body::ThrowOther:
            throw std::runtime_error("not ours");
        }
    }

private:
    Body m_body;
    WindowsEvent m_stop;
};

} // namespace

TEST(Thread, RunsOnlyOnceResumedAndStopsOnTerminate) {
    ProbeThread thread(ProbeThread::Body::RecordAndWait);
    EXPECT_FALSE(thread.ran.waitForEvent(50));
    EXPECT_FALSE(thread.executed);
    EXPECT_FALSE(thread.isActive());

    ASSERT_TRUE(thread.resume());
    ASSERT_TRUE(thread.ran.waitForEvent(10000));
    EXPECT_TRUE(thread.startingSeen);
    EXPECT_TRUE(thread.isActive());

    thread.terminate();
    EXPECT_TRUE(thread.isTerminating());
    EXPECT_TRUE(thread.wait());
    EXPECT_FALSE(thread.isActive());
}

TEST(Thread, NeverResumedIsDestroyedWithoutWaiting) {
    auto* thread = new ProbeThread(ProbeThread::Body::RecordAndWait);
    EXPECT_FALSE(thread->wait());
    delete thread; // would hang if it waited for a thread that never ran
    SUCCEED();
}

TEST(Thread, AnExceptionEndsTheBodyQuietly) {
    for (auto body : {ProbeThread::Body::ThrowException, ProbeThread::Body::ThrowOther}) {
        ProbeThread thread(body);
        ASSERT_TRUE(thread.resume());
        EXPECT_TRUE(thread.wait());
        EXPECT_TRUE(thread.executed);
        EXPECT_FALSE(thread.isActive());
    }
}

TEST(LocalMutex, IsReentrantAndExcludesOtherThreads) {
    LocalMutex mutex;
    std::atomic<bool> otherHolds{false};
    std::thread other;
    {
        AutoLock outer(&mutex);
        AutoLock inner(&mutex); // the same thread again: no deadlock
        other = std::thread([&] {
            AutoLock lock(&mutex);
            otherHolds = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_FALSE(otherHolds) << "the other thread got the mutex while it was held";
    }
    other.join();
    EXPECT_TRUE(otherHolds);
}

TEST(WindowsEvent, ResetsAfterOneWaitAndKeepsAnEarlyNotification) {
    WindowsEvent event;
    EXPECT_FALSE(event.waitForEvent(20));
    event.notify(); // nobody waits yet: kept
    EXPECT_TRUE(event.waitForEvent(0));
    EXPECT_FALSE(event.waitForEvent(20)) << "auto-reset: one notification, one wait";

    std::thread notifier([&] { event.notify(); });
    EXPECT_TRUE(event.waitForEvent(10000));
    notifier.join();
}

TEST(WindowsEvent, WaitsAboutItsTimeOut) {
    WindowsEvent event;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(event.waitForEvent(100));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
}

TEST(StringStorage, CopiesAndFormatsWideText) {
    StringStorage storage;
    EXPECT_STREQ(storage.getString(), L"");
    storage.setString(L"abc");
    EXPECT_STREQ(storage.getString(), L"abc");
    storage.setString(nullptr);
    EXPECT_STREQ(storage.getString(), L"");

    storage.format(L"Cannot create windows event with error = %d", 1450);
    EXPECT_STREQ(storage.getString(), L"Cannot create windows event with error = 1450");
    const std::wstring longText(5000, L'x');
    storage.format(L"%ls|%d", longText.c_str(), 7);
    EXPECT_EQ(std::wstring(storage.getString()), longText + L"|7");
    EXPECT_EQ(storage.getLength(), longText.size() + 2);

    const Exception error(L"message");
    EXPECT_STREQ(error.getMessage(), L"message");
}
