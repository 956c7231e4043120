#include "ui/FileContentWidget.h"

#include "ui/FileTexts.h"
#include "ui/FileTypes.h"
#include "ui/ThumbnailTableModel.h"
#include "ui_FileContentWidget.h"

#include <QMouseEvent>

FileContentWidget::FileContentWidget(QWidget* parent)
    : QWidget(parent)
    , ui_(std::make_unique<Ui::FileContentWidget>()) {
    ui_->setupUi(this);
}

FileContentWidget::~FileContentWidget() = default;

void FileContentWidget::setFileContent(const FileContent& content) {
    content_ = content;
    ui_->labelFileName->setText(content.fileName);
    ui_->labelFileInfo->setText(infoText());
    if (content.isDir())
        ui_->labelFileIcon->setPixmap(QPixmap(QStringLiteral(":/drawable/dir.png")));
    else if (content.thumbLoaded && !content.thumbnail.isNull())
        ui_->labelFileIcon->setPixmap(ThumbnailTableModel::cellPixmap(content.thumbnail));
    else
        ui_->labelFileIcon->setPixmap(QPixmap(FileTypes::instance().iconPathFor(content.fileName)));
}

QString FileContentWidget::infoText() const {
    const QString date = FileTexts::dateText(content_.dateModified);
    if (content_.isDir())
        return date;
    return FileTexts::sizeText(content_.fileSize) + QStringLiteral("  ") + date;
}

void FileContentWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && content_.isDir())
        emit getFileList(content_.fileName);
    QWidget::mouseDoubleClickEvent(event);
}
