#include "ui/FileTypes.h"

#include "utils/ProtocolDefinedJsonObject.h"

#include <QStringList>

const QString FileTypes::UnknownIcon = QStringLiteral(":/drawable/icon_file_unknow.png");
const QString FileTypes::FolderIcon = QStringLiteral(":/drawable/icon_dir.png");

namespace {

struct IconRow {
    const char* icon;
    const char* extensions;
};

const IconRow Rows[] = {
    {":/drawable/icon_file_music.png", "mid,wav,wma,mp3"},
    {":/drawable/icon_file_video.png", "mp4,wmv,mpeg,m4v,3gp,3gpp,3g2,3gpp2,asf,mov,mkv"},
    {":/drawable/icon_file_pic.png", "jpg,jpeg,gif,png,bmp,wbmp"},
    {":/drawable/icon_file_text.png", "txt,log,xml,ini,lrc"},
    {":/drawable/icon_file_pdf.png", "pdf"},
    {":/drawable/icon_file_ppt.png", "ppt,pptx"},
    {":/drawable/icon_file_doc.png", "doc,docx"},
    {":/drawable/icon_file_xls.png", "xls,xlsx"},
};

} // namespace

FileTypes::FileTypes() {
    for (const IconRow& row : Rows) {
        const QStringList extensions = QString::fromLatin1(row.extensions).split(QLatin1Char(','));
        for (const QString& extension : extensions)
            icons_.insert(extension, QString::fromLatin1(row.icon));
    }
}

const FileTypes& FileTypes::instance() {
    static const FileTypes types;
    return types;
}

QString FileTypes::extensionOf(const QString& fileName) {
    return fileName.mid(fileName.lastIndexOf(QLatin1Char('.')) + 1).toLower();
}

QString FileTypes::iconPathFor(const QString& fileName) const {
    return icons_.value(extensionOf(fileName), UnknownIcon);
}

QIcon FileTypes::iconFor(const QString& fileName) const {
    return QIcon(iconPathFor(fileName));
}

bool FileTypes::isPicture(const QString& fileName) {
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return false;
    static const QStringList pictures = Protocol::IMAGE_EXTENSIONS.split(QLatin1Char('/'));
    return pictures.contains(fileName.mid(dot).toLower());
}
