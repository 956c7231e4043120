#pragma once

#include <QImage>
#include <QList>
#include <QMetaType>
#include <QString>

// One row of the transfer history.
struct RecentFilesContent {
    qint64 rowid = 0;
    QString uuid;
    QString type; // "file_upload", "secure" or "file_download"
    QString remotePath;
    QString nativePath;
    QImage thumb; // filled by the views, never stored
    qint64 operateTime = 0;
    qint64 dateModified = 0;
    bool thumbLoaded = false;
};

Q_DECLARE_METATYPE(RecentFilesContent)
Q_DECLARE_METATYPE(QList<RecentFilesContent>)
