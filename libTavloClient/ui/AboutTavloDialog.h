#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class AboutTavloDialog;
}

// The product name, version and build date.
class AboutTavloDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutTavloDialog(QWidget* parent = nullptr);
    ~AboutTavloDialog() override;

    QString versionText() const;
    QString buildDateText() const;

    // "yyyy.MM.dd hh:mm:ss" from the compiler's date ("Mmm dd yyyy", the
    // day padded with a blank) and time ("hh:mm:ss").
    static QString buildDate(const char* date, const char* time);

private:
    std::unique_ptr<Ui::AboutTavloDialog> ui_;
};
