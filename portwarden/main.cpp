#include "gatekit/gatekit.h"
#include "portwarden/platform/ToolHelp.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QtGlobal>

#include <string>

namespace {

using SetRule = void (*)(const wchar_t*, const wchar_t*, const wchar_t*, long, const wchar_t*);

QString translated(const char* text) {
    return QCoreApplication::translate("main", text);
}

// One rule for the program at `path`, named after `name` and the direction.
void addRule(SetRule setRule, const char* descriptionTemplate, const QString& ruleName,
             const QString& name, const QString& path) {
    const std::wstring wideName = ruleName.toStdWString();
    const std::wstring description =
        translated(descriptionTemplate).arg(name, 0, QLatin1Char(' ')).toStdWString();
    const std::wstring widePath = path.toStdWString();
    setRule(wideName.c_str(), description.c_str(), L"ALL", 256, widePath.c_str());
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption nameOption(QStringLiteral("n"), translated("Rule name."),
                                        translated("rule name"));
    const QCommandLineOption pathOption(QStringLiteral("p"), translated("Application path."),
                                        translated("application path"));
    parser.addOption(nameOption);
    parser.addOption(pathOption);
    ToolHelp::describe(parser);
    parser.process(app);

    const QString name = parser.value(nameOption);
    if (name.isEmpty()) {
        qCritical("[E][%s] Rule name is empty.", "main");
        return -1;
    }
    const QString path = parser.value(pathOption);
    if (path.isEmpty()) {
        qCritical("[E][%s] Application path is empty.", "main");
        return -1;
    }

    // The outbound rule first; whatever becomes of it, the inbound one follows.
    addRule(setOutRule, "允许%0通过防火墙出站", name + QStringLiteral(" - out"), name, path);
    addRule(setInRule, "允许%0通过防火墙入站", name + QStringLiteral(" - in"), name, path);
    return 0;
}
