#pragma once

#include <QObject>
#include <QString>

// Standard input, line by line, read on a thread of its own so the event loop
// keeps running while the user has not typed anything. The reader lives as
// long as the process (a thread blocked in a read cannot be joined); its
// signals arrive queued at receivers on other threads.
class LineReader : public QObject {
    Q_OBJECT
public:
    // Starts the one reader of this process on first use.
    static LineReader* instance();

signals:
    void lineRead(QString line);
    void closed();

private:
    LineReader() = default;
};
