#include "utils/FileContent.h"

#include "utils/ProtocolDefinedJsonObject.h"

FileContent FileContent::fromListingEntry(const QVariantMap& entry) {
    FileContent content;
    content.fileName = entry.value(Protocol::FILE_NAME, QStringLiteral("AAA")).toString();
    content.fileSize = entry.value(Protocol::FILE_SIZE, 10).toLongLong();
    content.dateModified = entry.value(Protocol::DATE_MODIFIED, 10).toLongLong();
    content.fileType = entry.value(Protocol::FILE_TYPE, QStringLiteral("type")).toString();
    return content;
}

bool FileContent::isDir() const {
    return fileType == Protocol::DIR;
}
