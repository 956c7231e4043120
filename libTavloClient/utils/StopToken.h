#pragma once

#include <atomic>
#include <memory>

// A request to stop shared between whoever starts a long task and the task:
// copies share one flag, so the starter may ask after the task has gone.
class StopToken {
public:
    StopToken()
        : flag_(std::make_shared<std::atomic<bool>>(false)) {}

    void requestStop() const { flag_->store(true); }
    bool isStopRequested() const { return flag_->load(); }

private:
    std::shared_ptr<std::atomic<bool>> flag_;
};
