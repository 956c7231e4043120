#pragma once

#include <QString>

// Hands files and folders to the desktop: the default application of a file,
// the file manager for a folder.
namespace DesktopServices {

bool openFile(const QString& path);
bool openFolder(const QString& folder);

} // namespace DesktopServices
