#include "ui/platform/TaskbarProgress.h"

void TaskbarProgress::show() {
    visible_ = true;
    publish(Change::Shown);
}

void TaskbarProgress::hide() {
    visible_ = false;
    publish(Change::Hidden);
}

void TaskbarProgress::resume() {
    state_ = State::Running;
    publish(Change::Resumed);
}

void TaskbarProgress::pause() {
    state_ = State::Paused;
    publish(Change::Paused);
}

void TaskbarProgress::stop() {
    state_ = State::Stopped;
    publish(Change::Stopped);
}
