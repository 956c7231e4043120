#pragma once

#include <QString>

// MD5 of a whole file as 32 lowercase hexadecimal characters; empty (with a
// log line) when the file cannot be opened.
QString getFileMd5(const QString& path);
