#include "SampleContent.h"

#include "FileStore.h"

#include <QDateTime>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

namespace {

// Fixed, distinct modification times make the date orders predictable.
QDateTime sampleTime(int index) {
    return QDateTime(QDate(2024, 1, 15), QTime(9, 0), Qt::UTC).addSecs(3600 * index);
}

QImage drawPicture(int width, int height, const QColor& from, const QColor& to,
                   const QString& caption) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, width, height);
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, to);
    painter.fillRect(image.rect(), gradient);
    painter.setPen(QPen(Qt::white, 6));
    painter.drawRoundedRect(QRectF(width * 0.1, height * 0.15, width * 0.8, height * 0.55), 20, 20);
    painter.setBrush(QColor(255, 255, 255, 90));
    painter.drawEllipse(QPointF(width * 0.5, height * 0.42), width * 0.15, width * 0.15);
    QFont font = painter.font();
    font.setPixelSize(qMax(12, height / 12));
    painter.setFont(font);
    painter.drawText(QRectF(0, height * 0.75, width, height * 0.2), Qt::AlignCenter, caption);
    return image;
}

bool finish(QFile& file, int index, QString* error) {
    // Data still buffered would be written at close and move the time again.
    if (!file.flush() || !file.setFileTime(sampleTime(index), QFileDevice::FileModificationTime)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    file.close();
    return true;
}

bool writeText(const QString& path, const QString& text, int index, QString* error) {
    QFile file(path);
    if (file.exists())
        return true;
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    return finish(file, index, error);
}

bool writePicture(const QString& path, const QImage& image, int index, QString* error) {
    QFile file(path);
    if (file.exists())
        return true;
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG")) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    return finish(file, index, error);
}

} // namespace

bool SampleContent::write(const FileStore& store, QString* error) {
    const QString normal = store.normalRoot();
    return writePicture(normal + QStringLiteral("/Pictures/meeting-room.png"),
                        drawPicture(800, 600, QColor(0x1f, 0x6f, 0xb5), QColor(0x12, 0x2b, 0x4a),
                                    QStringLiteral("Tavlo meeting room")),
                        0, error) &&
           writePicture(normal + QStringLiteral("/Pictures/poster.png"),
                        drawPicture(300, 500, QColor(0xe8, 0x8a, 0x1a), QColor(0x8a, 0x2b, 0x12),
                                    QStringLiteral("Poster")),
                        1, error) &&
           writeText(normal + QStringLiteral("/Pictures/captions.txt"),
                     QStringLiteral("meeting-room.png: the room before the meeting\n"
                                    "poster.png: this week's poster\n"),
                     2, error) &&
           writeText(normal + QStringLiteral("/Tavlo/agenda.txt"),
                     QStringLiteral("Agenda\n1. Welcome\n2. Quarterly numbers\n3. Questions\n"), 3,
                     error) &&
           writeText(normal + QStringLiteral("/Tavlo/welcome.txt"),
                     QStringLiteral("Welcome to the Tavlo meeting room.\n"), 4, error) &&
           writeText(normal + QStringLiteral("/Whiteboard/notes-monday.txt"),
                     QStringLiteral("Whiteboard notes, Monday\n- plan the release\n"), 5, error) &&
           writeText(normal + QStringLiteral("/Whiteboard/notes-tuesday.txt"),
                     QStringLiteral("Whiteboard notes, Tuesday\n- review the plan\n- fix the "
                                    "printer\n- order more markers\n"),
                     6, error) &&
           writeText(normal + QStringLiteral("/Whiteboard/sketch.txt"),
                     QStringLiteral("[box] -> [box] -> [arrow]\n"), 7, error);
}
