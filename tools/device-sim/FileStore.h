#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

// One entry of a device directory as the listing reports it.
struct StoreEntry {
    QString name;
    bool isDir = false;
    qint64 size = 0;
    qint64 modifiedMs = 0; // milliseconds since 1970-01-01 UTC
};

// The simulated device's storage on the PC's disk:
//   ROOT/normal/...  the normal area, seen by peers as "/Tavlo", "/Pictures", ...
//   ROOT/secure/...  the secure area, seen as "secure:/NAME"
// Every path a peer sends is mapped here; a path that would leave its area
// maps to an empty string.
class FileStore {
public:
    explicit FileStore(const QString& root);

    // Creates the folder layout (the public top-level folders, the upload
    // folder, the secure area and `extraTopFolders`).
    bool prepare(const QStringList& extraTopFolders, QString* error = nullptr) const;

    QString root() const { return root_; }
    QString normalRoot() const;
    QString secureRoot() const;

    // "/Pictures/a.png" (or "", "/", "Pictures/") to the local path in the
    // normal area; empty when the path is malformed or escapes the area.
    QString mapNormal(const QString& devicePath) const;
    // A name (or relative path) inside the secure area.
    QString mapSecure(const QString& path) const;
    // "secure:/NAME" goes to the secure area, anything else to the normal one.
    QString mapRemote(const QString& remotePath) const;
    static bool isSecurePath(const QString& remotePath, QString* name = nullptr);

    // Where an upload of `fileName` is stored; empty for a name that is not
    // a plain file name.
    QString uploadTarget(const QString& fileName, bool secure) const;
    // How the client names that upload: "/Tavlo/上传/NAME" or "secure:/NAME".
    static QString uploadDevicePath(const QString& fileName, bool secure);

    // The entries of a normal-area directory, unsorted; false when it is not
    // a directory of the store.
    bool list(const QString& devicePath, QList<StoreEntry>& entries) const;

    // Orders entries by one of the six listing orders; ties (and unknown
    // orders) go by name, ignoring case first.
    static void sort(QList<StoreEntry>& entries, const QString& order);
    // Splits entries into listing datagrams of at most `size` JSON entries;
    // no entries still give one (empty) datagram.
    static QList<QVariantList> chunk(const QList<StoreEntry>& entries, int size);
    static QVariantMap toJson(const StoreEntry& entry);

private:
    static QString mapInside(const QString& base, const QString& path);

    QString root_;
};
