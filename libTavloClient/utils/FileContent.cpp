#include "utils/FileContent.h"

#include "utils/JsonFields.h"
#include "utils/ProtocolDefinedJsonObject.h"

#include <limits>

FileContent FileContent::fromListingEntry(const QVariantMap& entry) {
    FileContent content;
    constexpr qint64 Placeholder = 10;
    constexpr qint64 Largest = std::numeric_limits<qint64>::max();
    content.fileName = JsonFields::textOr(entry, Protocol::FILE_NAME, QStringLiteral("AAA"));
    content.fileSize = JsonFields::integerOr(entry, Protocol::FILE_SIZE, 0, Largest, Placeholder);
    content.dateModified = JsonFields::integerOr(
        entry, Protocol::DATE_MODIFIED, std::numeric_limits<qint64>::min(), Largest, Placeholder);
    content.fileType = JsonFields::textOr(entry, Protocol::FILE_TYPE, QStringLiteral("type"));
    return content;
}

bool FileContent::isDir() const {
    return fileType == Protocol::DIR;
}
