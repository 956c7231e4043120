#include "ui/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

QString Translations::chosenLanguage() {
    const QString forced = qEnvironmentVariable("TAVLO_LANG").trimmed().toLower();
    if (forced == QLatin1String("zh") || forced == QLatin1String("en"))
        return forced;
    return QLocale::system().language() == QLocale::Chinese ? QStringLiteral("zh")
                                                            : QStringLiteral("en");
}

void Translations::install(QCoreApplication& app, const QString& language) {
    // Qt's own texts (the buttons of message boxes) in the same language.
    auto* qt = new QTranslator(&app);
    const QString qtName = language == QLatin1String("zh") ? QStringLiteral("qtbase_zh_CN")
                                                           : QStringLiteral("qtbase_en");
    if (qt->load(qtName, QLibraryInfo::location(QLibraryInfo::TranslationsPath)))
        app.installTranslator(qt);
    if (language != QLatin1String("en"))
        return;
    auto* own = new QTranslator(&app);
    if (own->load(QStringLiteral(":/translations/tavlo_en.qm")))
        app.installTranslator(own);
    else
        qWarning("[W][%s] The English translation is missing.", "Translations");
}
