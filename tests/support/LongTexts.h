#pragma once

#include <QString>
#include <QStringList>

// Texts as long as a catalog, a record or a feed may hold them, longer than a row of any screen
// has room for at the window's smallest size.
namespace marlox::testing {

// 44 characters.
inline const QString longName = QStringLiteral("Cinematic Letterbox and Aspect Ratio Toolkit");
// 45 characters, one more than the name above.
inline const QString longNameOf45Characters =
    QStringLiteral("Cinematic Letterbox and Aspect-Ratio Toolkits");
// 72 letters and no space.
inline const QString longNameWithoutSpace = QString(72, u'W');
// 115 characters.
inline const QString longNameOfManyWords = QStringLiteral(
    "Broadcast Safe Lower Third Titles with Animated Name Straps, Location Captions and "
    "Fully Editable Colour and Timing");
// 54 characters.
inline const QString longVersion =
    QStringLiteral("9.4.0-beta.12+build.2026.12.01.f3a9c0d1e2b4a6c8e0f2a4b");
// 46 characters of Hebrew and Arabic among Latin, which the text layout shapes run by run.
inline const QString longRightToLeftName =
    QStringLiteral("מסנן טשטוש Zoom Blur مرشح التكبير والتمويه Pro");
inline const QStringList longNames = {longName, longNameOf45Characters, longNameWithoutSpace,
                                      longNameOfManyWords};

} // namespace marlox::testing
