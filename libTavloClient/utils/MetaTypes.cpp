#include "utils/MetaTypes.h"

#include "utils/FileContent.h"
#include "utils/ProgressContent.h"
#include "utils/RecentFilesContent.h"
#include "utils/ServerContent.h"
#include "utils/TransferFailure.h"
#include "utils/TransferStage.h"

#include <QMetaType>

namespace MetaTypes {

void registerAll() {
    static const bool registered = [] {
        qRegisterMetaType<ServerContent>("ServerContent");
        qRegisterMetaType<QHostAddress>("QHostAddress");
        qRegisterMetaType<ProgressContent>("ProgressContent");
        qRegisterMetaType<TransferStage>("TransferStage");
        qRegisterMetaType<FileContent>("FileContent");
        qRegisterMetaType<QList<FileContent>>("QList<FileContent>");
        qRegisterMetaType<RecentFilesContent>("RecentFilesContent");
        qRegisterMetaType<QList<RecentFilesContent>>("QList<RecentFilesContent>");
        qRegisterMetaType<TransferFailure>("TransferFailure");
        return true;
    }();
    Q_UNUSED(registered);
}

} // namespace MetaTypes
