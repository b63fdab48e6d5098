#include "SupportAttachments.h"

#include "platform/StandardFolders.h"

#include <QDir>
#include <QFileInfo>

namespace marlox::screens {

platform::FileChoice supportAttachmentChoice() {
    const QString pictures = platform::userPicturesFolder();
    return {QStringLiteral("Attach Screenshots or Recordings"),
            {platform::FileContentType::image, platform::FileContentType::movie,
             platform::FileContentType::pdf},
            true,
            QFileInfo(pictures).isDir() ? pictures : platform::homeFolder()};
}

QStringList withAttachmentsAdded(QStringList attached, const QStringList& chosen) {
    for (const QString& path : chosen) {
        const QString cleaned = QDir::cleanPath(path);
        if (!attached.contains(cleaned)) {
            attached.append(cleaned);
        }
    }
    return attached;
}

QStringList withAttachmentRemoved(QStringList attached, qsizetype position) {
    if (position >= 0 && position < attached.size()) {
        attached.removeAt(position);
    }
    return attached;
}

QString attachmentIconName(const QString& path) {
    static const QStringList imageExtensions = {"png",  "jpg", "jpeg", "heic",
                                                "tiff", "gif", "webp"};
    static const QStringList movieExtensions = {"mov", "mp4", "m4v"};
    const QString extension = QFileInfo(path).suffix().toLower();
    if (imageExtensions.contains(extension)) {
        return QStringLiteral("photo");
    }
    if (movieExtensions.contains(extension)) {
        return QStringLiteral("film");
    }
    if (extension == QLatin1String("pdf")) {
        return QStringLiteral("doc.richtext");
    }
    return QStringLiteral("doc");
}

QString attachmentSizeText(const QString& path, const QLocale& locale) {
    const QFileInfo file(path);
    if (!file.exists()) {
        return {};
    }
    return locale.formattedDataSize(file.size(), 1, QLocale::DataSizeSIFormat);
}

} // namespace marlox::screens
