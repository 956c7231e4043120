#pragma once

#include <QString>

class QCoreApplication;

// The language of the window. Chinese texts are the sources; English comes
// from the translation compiled into the library. The system's language
// decides (Chinese for a Chinese locale, else English); TAVLO_LANG=zh or
// TAVLO_LANG=en forces either.
class Translations {
public:
    // "zh" or "en".
    static QString chosenLanguage();
    // Installs the translators of `language` into `app`: the client's own
    // for English, Qt's own dialog buttons where the system has them.
    static void install(QCoreApplication& app, const QString& language);
};
