#include "ui/platform/TaskbarProgress.h"

#include <QPointer>
#include <QWidget>
#include <QWinTaskbarButton>
#include <QWinTaskbarProgress>
#include <QWindow>

namespace {

// The progress indicator of the window's taskbar button. The button needs the
// window's native handle, which exists only once the window was shown, so it
// is attached on first use.
class TaskbarButtonProgress : public TaskbarProgress {
public:
    explicit TaskbarButtonProgress(QWidget* widget)
        : widget_(widget) {}

    ~TaskbarButtonProgress() override { delete button_; }

protected:
    void publish(Change) override {
        QWinTaskbarProgress* progress = indicator();
        if (!progress)
            return;
        progress->setVisible(isVisible());
        switch (state()) {
        case State::Running:
            progress->resume();
            break;
        case State::Paused:
            progress->pause();
            break;
        case State::Stopped:
            progress->stop();
            break;
        }
    }

private:
    QWinTaskbarProgress* indicator() {
        if (!button_) {
            QWindow* window = widget_ ? widget_->window()->windowHandle() : nullptr;
            if (!window)
                return nullptr;
            button_ = new QWinTaskbarButton;
            button_->setWindow(window);
            button_->progress()->setRange(0, 0);
        }
        return button_->progress();
    }

    QPointer<QWidget> widget_;
    QWinTaskbarButton* button_ = nullptr;
};

} // namespace

std::unique_ptr<TaskbarProgress> TaskbarProgress::create(QWidget* widget) {
    return std::make_unique<TaskbarButtonProgress>(widget);
}
