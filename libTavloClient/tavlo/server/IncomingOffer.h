#pragma once

#include <QString>

// Where a file a peer offers lands on this PC. The name is the last
// non-empty "/"-separated part of the offered path; a name that is empty, "." or "..",
// or holds a backslash or a NUL, is refused, so a pushed file never lands
// outside the chosen folder. An existing file is never replaced: the next
// free name "name (2).ext", "name (3).ext", ... is taken instead.
class IncomingOffer {
public:
    // The usable file name of `offeredPath`, or empty when it is refused.
    static QString safeFileName(const QString& offeredPath);

    // A free path in `folder` for the offered file. The name is reserved at
    // once by creating the download's partial file, so that two offers of
    // one name accepted together get two names. Empty, with `error`, when
    // the name is refused or the folder cannot be written.
    static QString reserveLocalPath(const QString& folder, const QString& offeredPath,
                                    QString& error);
};
