#include "ui/AppFont.h"

#include "catalog/Environment.h"

#include <QApplication>
#include <QDirIterator>
#include <QFileInfo>
#include <QFontDatabase>

#include <cmath>

namespace marlox::ui {

QFont appFont(qreal size, QFont::Weight weight) {
    return appFontFor(QFontDatabase::hasFamily(appFontFamily), size, weight);
}

QFont appFontFor(bool manropeAvailable, qreal size, QFont::Weight weight) {
    QFont font = manropeAvailable ? QFont(appFontFamily)
                                  : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(size))));
    font.setWeight(weight);
    return font;
}

QStringList fontFilesIn(const QStringList& folders) {
    QStringList files;
    for (const QString& folder : folders) {
        // Hidden entries too; linked folders are not entered, as the platform's enumerator does.
        QDirIterator entries(folder, QDir::Files | QDir::Hidden | QDir::System,
                             QDirIterator::Subdirectories);
        while (entries.hasNext()) {
            const QString path = entries.next();
            const QString extension = QFileInfo(path).suffix().toLower();
            if (extension == u"ttf" || extension == u"otf") {
                files.append(path);
            }
        }
    }
    return files;
}

int registerFontFiles(const QStringList& files) {
    int registered = 0;
    for (const QString& file : files) {
        registered += QFontDatabase::addApplicationFont(file) >= 0;
    }
    return registered;
}

void registerBundledFonts() {
    // Read and written only by the application object's start-up on the main thread.
    static bool registered = false;
    if (registered) {
        return;
    }
    registered = true;
    registerFontFiles(fontFilesIn(catalog::resourceDirectoryURLs()));
}

void useAppFontAsDefault() {
    QApplication::setFont(appFont(13, QFont::Normal));
}

} // namespace marlox::ui
