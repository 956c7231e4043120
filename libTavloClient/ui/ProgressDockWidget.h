#pragma once

#include "utils/ProgressContent.h"

#include <QMap>
#include <QMutex>
#include <QSet>
#include <QWidget>

#include <memory>

class ProgressWidget;
class QListWidget;
class QListWidgetItem;

namespace Ui {
class ProgressDockWidget;
}

// The list of every upload and download, newest on top, one row per
// transfer id.
class ProgressDockWidget : public QWidget {
    Q_OBJECT
public:
    explicit ProgressDockWidget(QWidget* parent = nullptr);
    ~ProgressDockWidget() override;

    // The one owned by the main window, if it exists.
    static ProgressDockWidget* instance();

    QListWidget* listWidget() const;
    ProgressWidget* rowFor(int id) const;
    int rowCount() const;
    // Transfers that have not ended yet.
    int runningCount() const;

public slots:
    void clear();
    void uploadProgressUpdated(ProgressContent content);

private slots:
    void progressWidgetDestroyed(int id);

private:
    std::unique_ptr<Ui::ProgressDockWidget> ui_;
    mutable QMutex mutex_{QMutex::Recursive};
    QMap<int, QListWidgetItem*> rows_;
    QSet<int> running_;
};
