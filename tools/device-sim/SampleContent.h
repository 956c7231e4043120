#pragma once

#include <QString>

class FileStore;

// A little demo content for a device without hardware behind it: two
// pictures, text files under Tavlo and whiteboard notes. Files that already
// exist are left alone. Drawing text needs a QGuiApplication.
class SampleContent {
public:
    static bool write(const FileStore& store, QString* error = nullptr);
};
