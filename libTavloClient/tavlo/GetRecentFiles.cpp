#include "tavlo/GetRecentFiles.h"

#include "tavlo/TavloClientDatabase.h"
#include "utils/MetaTypes.h"

GetRecentFiles::GetRecentFiles(const ServerContent& server, QObject* parent)
    : QObject(parent)
    , server_(server) {
    setAutoDelete(true);
}

void GetRecentFiles::run() {
    MetaTypes::registerAll();
    emit getRecentFilesEnd(TavloClientDatabase::instance()->getRecentFiles(server_.uuid));
}
