#pragma once

#include <QImage>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

// One entry of a remote directory listing.
struct FileContent {
    QString fileName;
    QString fileType;
    qint64 fileSize = 0;
    qint64 dateModified = 0;
    QImage thumbnail;
    bool thumbLoaded = false;

    // Missing members get the placeholders devices have always been shown
    // with: "AAA", "type", 10 and 10; so do members of the wrong type and
    // negative sizes.
    static FileContent fromListingEntry(const QVariantMap& entry);
    bool isDir() const;
};

Q_DECLARE_METATYPE(FileContent)
Q_DECLARE_METATYPE(QList<FileContent>)
