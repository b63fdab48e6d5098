#include "ui/kit/AppFont.h"

#include <QApplication>
#include <QDirIterator>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>

#include <cmath>
#include <optional>

namespace marlox::ui {

namespace {

// Whether the font database knows Manrope. Asking costs a font-configuration lookup (tens of
// microseconds), and every pill and label asks while it paints; the answer can change only when
// fonts are added or removed, which the application announces, so it is kept until then.
bool manropeKnown() {
    if (!qGuiApp) {
        return QFontDatabase::hasFamily(appFontFamily);
    }
    static std::optional<bool> known;
    static const QMetaObject::Connection forget = QObject::connect(
        qGuiApp, &QGuiApplication::fontDatabaseChanged, qGuiApp, [] { known.reset(); });
    (void)forget;
    if (!known) {
        known = QFontDatabase::hasFamily(appFontFamily);
    }
    return *known;
}

} // namespace

QFont appFont(qreal size, QFont::Weight weight) {
    return appFontFor(manropeKnown(), size, weight);
}

QFont appFontFor(bool manropeAvailable, qreal size, QFont::Weight weight) {
    QFont font = manropeAvailable ? QFont(appFontFamily)
                                  : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(size))));
    font.setWeight(weight);
    return font;
}

qreal shortWordWidth(const QFont& font) {
    constexpr int characters = 4;
    return characters * QFontMetricsF(font).averageCharWidth();
}

GivingWayWidths givingWayWidths(qreal natural, const QFont& font, qreal widest) {
    return {std::min(natural, widest), std::min(natural, shortWordWidth(font))};
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

void registerBundledFonts(const QStringList& resourceFolders) {
    // Read and written only by the application object's start-up on the main thread.
    static bool registered = false;
    if (registered) {
        return;
    }
    registered = true;
    registerFontFiles(fontFilesIn(resourceFolders));
}

void useAppFontAsDefault() {
    QApplication::setFont(appFont(13, QFont::Normal));
}

} // namespace marlox::ui
