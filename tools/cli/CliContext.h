#pragma once

#include "utils/ServerContent.h"

#include <QCommandLineParser>
#include <QStringList>

// What every command needs: the parsed command line, output helpers and the
// target device.
class CliContext {
public:
    enum ExitCode { Success = 0, Failure = 1, Usage = 2 };
    // 128 plus the signal's number, as shells report a program a signal ended:
    // 130 for SIGINT, 143 for SIGTERM.
    static int exitCodeForSignal(int signalNumber) { return 128 + signalNumber; }

    QCommandLineParser parser;
    QString command;
    QStringList arguments; // positional arguments after the command

    void print(const QString& line) const;
    // Text as it is, without an added line break.
    void printRaw(const QString& text) const;
    void error(const QString& line) const;
    // Prints `message` to standard error and returns the usage exit code.
    int usageError(const QString& message) const;

    // --wait in seconds (at most MaxWaitSeconds), or `fallback` when absent;
    // false for a bad value.
    static constexpr double MaxWaitSeconds = 24.0 * 3600;
    bool waitSeconds(double& seconds, double fallback) const;

    // HOST or HOST:PORT, HOST an IPv4 address or a host name (its first
    // IPv4 address); false for anything else.
    static bool parseEndpoint(const QString& text, QHostAddress& address, quint16& port,
                              quint16 defaultPort);

    // The device named by --device, introduced by one device query so that
    // history rows carry its uuid; a device that does not answer the query
    // is still used by address. False (with a message) for a bad address.
    bool targetDevice(ServerContent& device) const;

    // A path given on the command line, made absolute before the working
    // directory moves to the data directory.
    QString absolutePath(const QString& path) const;
    QString startDirectory;
};
