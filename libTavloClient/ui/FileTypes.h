#pragma once

#include <QHash>
#include <QIcon>
#include <QString>

// The icon of a file by its extension, built once for the whole process, and
// which names the views preview as pictures.
class FileTypes {
public:
    static const QString UnknownIcon; // ":/drawable/icon_file_unknow.png"
    static const QString FolderIcon;  // ":/drawable/icon_dir.png"

    static const FileTypes& instance();

    // The resource path of the icon for `fileName`: the text after its last
    // "." (the whole name when there is none), compared in lower case.
    QString iconPathFor(const QString& fileName) const;
    QIcon iconFor(const QString& fileName) const;

    // True for the names whose thumbnails the device and the history make:
    // ".bmp", ".png", ".jpg", ".jpeg" and ".gif", in any case.
    static bool isPicture(const QString& fileName);
    static QString extensionOf(const QString& fileName);

private:
    FileTypes();
    QHash<QString, QString> icons_;
};
