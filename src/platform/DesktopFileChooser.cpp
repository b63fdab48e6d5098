#include "DesktopFileChooser.h"

#include <QFileDialog>

namespace marlox::platform {
namespace {

QStringList extensionsOf(FileContentType type) {
    switch (type) {
    case FileContentType::image:
        return {"png", "jpg", "jpeg", "heic", "heif", "tif", "tiff", "gif", "webp", "bmp"};
    case FileContentType::movie:
        return {"mov", "mp4", "m4v", "avi", "mkv", "webm", "mpg", "mpeg"};
    case FileContentType::pdf:
        return {"pdf"};
    }
    return {};
}

QString labelOf(FileContentType type) {
    switch (type) {
    case FileContentType::image:
        return QStringLiteral("Images");
    case FileContentType::movie:
        return QStringLiteral("Movies");
    case FileContentType::pdf:
        return QStringLiteral("PDF Documents");
    }
    return {};
}

} // namespace

QString fileChoiceNameFilter(const QList<FileContentType>& contentTypes) {
    QStringList labels;
    QStringList patterns;
    for (FileContentType type : contentTypes) {
        labels.append(labelOf(type));
        // Some file systems and dialogs match names with regard to letter case.
        for (const QString& extension : extensionsOf(type)) {
            patterns << QStringLiteral("*.") + extension
                     << QStringLiteral("*.") + extension.toUpper();
        }
    }
    return labels.join(QStringLiteral(", ")) + QStringLiteral(" (") +
           patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

void DesktopFileChooser::chooseFiles(QWidget* parent, const FileChoice& choice,
                                     ChosenHandler onChosen) {
    auto* dialog = new QFileDialog(parent, choice.title);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(choice.allowsMultipleSelection ? QFileDialog::ExistingFiles
                                                       : QFileDialog::ExistingFile);
    dialog->setNameFilter(fileChoiceNameFilter(choice.contentTypes));
    if (!choice.startFolder.isEmpty()) {
        dialog->setDirectory(choice.startFolder);
    }
    QObject::connect(
        dialog, &QFileDialog::filesSelected, dialog,
        [onChosen = std::move(onChosen)](const QStringList& paths) { onChosen(paths); });
    dialog->open();
}

} // namespace marlox::platform
