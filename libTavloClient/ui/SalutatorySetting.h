#pragma once

#include "utils/ServerContent.h"

#include <QDialog>

#include <memory>

class QThreadPool;

namespace Ui {
class SalutatorySetting;
}

// Asks for a new welcome text and sends it to one device. An empty text is
// refused and never sent.
class SalutatorySetting : public QDialog {
    Q_OBJECT
public:
    explicit SalutatorySetting(const ServerContent& server, QWidget* parent = nullptr);
    ~SalutatorySetting() override;

    // Where the request runs; the global pool unless a test chooses.
    void setThreadPool(QThreadPool* pool) { pool_ = pool; }

public slots:
    void accept() override;

private:
    std::unique_ptr<Ui::SalutatorySetting> ui_;
    ServerContent server_;
    QThreadPool* pool_;
};
