#pragma once

#include "utils/DataLocations.h"

// The user's own folders for the client's files, by desktop convention.
namespace UserFolders {

// Linux: settings in $XDG_CONFIG_HOME/tavlo, the database in
// $XDG_DATA_HOME/tavlo, logs in $XDG_STATE_HOME/tavlo/log, downloads in the
// user's download folder under "Tavlo". Windows: empty (the program's folder
// is used, as the client has always done there).
DataLocations::Layout layout();

} // namespace UserFolders
