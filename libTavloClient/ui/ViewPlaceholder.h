#pragma once

#include <QLabel>

class QAbstractItemView;

// A grey text in the middle of an item view while its model has no rows
// ("this folder is empty", "no transfers yet"). It may hold links.
class ViewPlaceholder : public QLabel {
    Q_OBJECT
public:
    explicit ViewPlaceholder(QAbstractItemView* view);

    void setText(const QString& text);
    // Follows the view's model; call again after the view got another model.
    void watchModel();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();

    QAbstractItemView* view_;
};
