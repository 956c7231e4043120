#pragma once

#include <QByteArray>
#include <QString>

// Makes the thumbnail a device sends for a stored picture: a PNG that fits
// 160x160 with the picture's aspect, as Base64 text.
class Thumbnailer {
public:
    static constexpr int MaxSide = 160;
    // The reply has to fit one UDP datagram with room for the JSON around it.
    static constexpr int MaxBase64Size = 60000;

    enum class Result { Ok, NotAPicture, Missing };

    static Result make(const QString& localPath, QByteArray& base64Png);
    // By extension, as the client's file browser decides what to preview.
    static bool isPictureName(const QString& fileName);
};
