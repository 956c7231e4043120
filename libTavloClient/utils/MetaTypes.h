#pragma once

// Registers the records that travel in queued signals under the names the
// connections use ("ServerContent", "ProgressContent", "QList<FileContent>",
// "QList<RecentFilesContent>", "TransferFailure"). Safe to call any number of times.
namespace MetaTypes {
void registerAll();
}
