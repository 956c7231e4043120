#pragma once

#include <memory>

class QWidget;

// The cast's state on the main window's taskbar entry: an indicator without
// a range that is shown while a cast runs and is running, paused or stopped.
// The state is kept here; each platform shows it in its own way.
class TaskbarProgress {
public:
    enum class State { Running, Paused, Stopped };

    virtual ~TaskbarProgress() = default;

    void show();
    void hide();
    void resume();
    void pause();
    void stop();

    bool isVisible() const { return visible_; }
    State state() const { return state_; }

    // For the top-level window of `widget`.
    static std::unique_ptr<TaskbarProgress> create(QWidget* widget);

protected:
    enum class Change { Shown, Hidden, Resumed, Paused, Stopped };
    // Shows the current state on the taskbar; `change` is what just happened.
    virtual void publish(Change change) = 0;

private:
    bool visible_ = false;
    State state_ = State::Running;
};
