#pragma once

#include <QString>
#include <QStringList>

// The stand-in's command line: what the client passes ("-s", "-i", "-cs")
// and the options that script how the pretended cast goes.
class StandInOptions {
public:
    // Words taken from this environment variable come after the command line,
    // so a test or a demo can script a stand-in that the client starts.
    static const char* const EnvironmentVariable; // "GLIMMER_OPTIONS"

    bool parse(const QStringList& arguments);
    QString errorText() const { return error_; }
    bool helpRequested() const { return helpRequested_; }
    QString helpText() const { return helpText_; }

    QString mode;             // "-s"
    QString deviceAddress;    // "-i", empty when not given
    QString serverName;       // "-cs"
    int connectAfterMs = 300; // below 0: the cast never connects
    int dropAfterMs = -1;     // below 0: the cast never drops
    int lingerMs = 3000;      // after a drop, how long to wait for "stop"
    int waitClientMs = 60000; // how long to wait for the controller
    QString logFile;          // also append the printed lines here

private:
    bool fail(const QString& text);

    QString error_;
    QString helpText_;
    bool helpRequested_ = false;
};
