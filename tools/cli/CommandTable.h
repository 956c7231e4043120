#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class CliContext;

// Every command of tavlo-cli with its usage, the options it takes and what
// runs it; the help texts are made from here, so they cannot drift from
// what the commands accept.
class CommandTable {
public:
    struct Option {
        QString name;
        QString valueName; // empty for a switch
        QString help;      // lists every accepted value where there is a fixed set
        QString defaultValue;
    };
    struct Command {
        QString name;
        QString arguments;   // "FILE...", "[PATH]"
        QString summary;     // one line for the list of commands
        QString description; // the whole text of `help COMMAND`
        QStringList options; // names of the options it takes, besides the common ones
        bool needsDevice = false;
        std::function<int(CliContext&)> run;
    };

    static const QList<Command>& commands();
    static const Command* find(const QString& name);
    // Options every command takes (data folder, log, statistics, help, version).
    static const QList<Option>& commonOptions();
    static const QList<Option>& commandOptions();
    static const Option* option(const QString& name);
    static QList<QCommandLineOption> parserOptions();

    // The texts of --help and of help COMMAND; lines fit 80 columns.
    static QString overview();
    static QString usageOf(const Command& command);
    // Empty when `command` takes every option set in `given`; otherwise the
    // first it does not take.
    static QString unusedOption(const Command& command, const QStringList& given);
};
