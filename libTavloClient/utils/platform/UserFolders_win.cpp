#include "utils/platform/UserFolders.h"

namespace UserFolders {

// The client keeps its files in the program's folder on Windows.
DataLocations::Layout layout() {
    return DataLocations::Layout();
}

} // namespace UserFolders
