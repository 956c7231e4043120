#include "FileStore.h"

#include "tavlo/FileFinder.h"
#include "utils/ProtocolDefinedJsonObject.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

const QString NormalFolder = QStringLiteral("normal");
const QString SecureFolder = QStringLiteral("secure");

int compareNames(const QString& a, const QString& b) {
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    return folded != 0 ? folded : QString::compare(a, b, Qt::CaseSensitive);
}

template <typename T> int compareValues(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

bool isPlainName(const QString& name) {
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QChar(0)) &&
           name != QLatin1String(".") && name != QLatin1String("..");
}

} // namespace

FileStore::FileStore(const QString& root)
    : root_(QDir::cleanPath(QDir(root).absolutePath())) {}

QString FileStore::normalRoot() const {
    return root_ + QLatin1Char('/') + NormalFolder;
}

QString FileStore::secureRoot() const {
    return root_ + QLatin1Char('/') + SecureFolder;
}

bool FileStore::prepare(const QStringList& extraTopFolders, QString* error) const {
    QStringList folders{secureRoot(), mapNormal(Protocol::UPLOAD_FOLDER)};
    for (const QString& top : FileFinder::topLevelFolders() + extraTopFolders)
        folders << normalRoot() + QLatin1Char('/') + top;
    for (const QString& folder : qAsConst(folders)) {
        if (folder.isEmpty() || !QDir().mkpath(folder)) {
            if (error)
                *error = QStringLiteral("cannot create folder %1").arg(folder);
            return false;
        }
    }
    return true;
}

QString FileStore::mapInside(const QString& base, const QString& path) {
    if (path.contains(QChar(0)))
        return QString();
    QStringList parts;
    for (const QString& part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String(".."))
            return QString();
        parts << part;
    }
    const QString local = parts.isEmpty() ? base : base + QLatin1Char('/') + parts.join('/');
    // A symbolic link inside the store could still lead out of it.
    const QFileInfo info(local);
    if (info.exists()) {
        const QString canonicalBase = QFileInfo(base).canonicalFilePath();
        const QString canonical = info.canonicalFilePath();
        if (canonical != canonicalBase && !canonical.startsWith(canonicalBase + QLatin1Char('/')))
            return QString();
    }
    return local;
}

QString FileStore::mapNormal(const QString& devicePath) const {
    return mapInside(normalRoot(), devicePath);
}

QString FileStore::mapSecure(const QString& path) const {
    return mapInside(secureRoot(), path);
}

bool FileStore::isSecurePath(const QString& remotePath, QString* name) {
    const QString prefix = Protocol::SECURE + Protocol::SECURE_PATH_SEPARATOR;
    if (!remotePath.startsWith(prefix))
        return false;
    if (name)
        *name = remotePath.mid(prefix.size());
    return true;
}

QString FileStore::mapRemote(const QString& remotePath) const {
    QString name;
    return isSecurePath(remotePath, &name) ? mapSecure(name) : mapNormal(remotePath);
}

QString FileStore::uploadTarget(const QString& fileName, bool secure) const {
    if (!isPlainName(fileName))
        return QString();
    return secure ? mapSecure(fileName) : mapNormal(Protocol::UPLOAD_FOLDER + fileName);
}

QString FileStore::uploadDevicePath(const QString& fileName, bool secure) {
    return secure ? Protocol::SECURE + Protocol::SECURE_PATH_SEPARATOR + fileName
                  : Protocol::UPLOAD_FOLDER + fileName;
}

bool FileStore::list(const QString& devicePath, QList<StoreEntry>& entries) const {
    entries.clear();
    const QString local = mapNormal(devicePath);
    if (local.isEmpty() || !QFileInfo(local).isDir())
        return false;
    const QFileInfoList infos =
        QDir(local).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QFileInfo& info : infos) {
        StoreEntry entry;
        entry.name = info.fileName();
        entry.isDir = info.isDir();
        entry.size = entry.isDir ? 0 : info.size();
        entry.modifiedMs = info.lastModified().toMSecsSinceEpoch();
        entries << entry;
    }
    return true;
}

void FileStore::sort(QList<StoreEntry>& entries, const QString& order) {
    enum class Key { Date, Size, Name } key = Key::Name;
    bool descending = false;
    if (order == Protocol::DATE_MODIFIED_DECREASE || order == Protocol::DATE_MODIFIED_INCREASE)
        key = Key::Date;
    else if (order == Protocol::FILE_SIZE_DECREASE || order == Protocol::FILE_SIZE_INCREASE)
        key = Key::Size;
    descending = order == Protocol::DATE_MODIFIED_DECREASE ||
                 order == Protocol::FILE_SIZE_DECREASE || order == Protocol::FILE_NAME_DECREASE;

    std::stable_sort(entries.begin(), entries.end(), [&](const StoreEntry& a, const StoreEntry& b) {
        int primary = 0;
        switch (key) {
        case Key::Date:
            primary = compareValues(a.modifiedMs, b.modifiedMs);
            break;
        case Key::Size:
            primary = compareValues(a.size, b.size);
            break;
        case Key::Name:
            primary = compareNames(a.name, b.name);
            break;
        }
        if (primary != 0)
            return descending ? primary > 0 : primary < 0;
        return compareNames(a.name, b.name) < 0;
    });
}

QList<QVariantList> FileStore::chunk(const QList<StoreEntry>& entries, int size) {
    QList<QVariantList> chunks;
    const int step = qMax(size, 1);
    for (int i = 0; i < entries.size(); i += step) {
        QVariantList part;
        for (int j = i; j < qMin(i + step, entries.size()); ++j)
            part << toJson(entries.at(j));
        chunks << part;
    }
    if (chunks.isEmpty())
        chunks << QVariantList();
    return chunks;
}

QVariantMap FileStore::toJson(const StoreEntry& entry) {
    QVariantMap map;
    map.insert(Protocol::FILE_NAME, entry.name);
    map.insert(Protocol::FILE_TYPE, entry.isDir ? Protocol::DIR : Protocol::FILE);
    map.insert(Protocol::FILE_SIZE, entry.size);
    map.insert(Protocol::DATE_MODIFIED, entry.modifiedMs);
    return map;
}
