#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

namespace marlox::ui {

inline const QString appFontFamily = QStringLiteral("Manrope");

// The application font at a size in points (device-independent pixels; a fraction is rounded)
// and a weight: "Manrope" when the font database knows it (asked again whenever the application's
// fonts have changed), else the system's general font at the same size and weight (Linux has no
// rounded system design).
// Texts that the design sets in "the system font" use appFont too, so that no screen, and no
// golden screenshot, depends on the fonts of the machine.
QFont appFont(qreal size, QFont::Weight weight);
// appFont's choice for a given answer of the font database.
QFont appFontFor(bool manropeAvailable, qreal size, QFont::Weight weight);

// The widest a text asks a layout for unless told otherwise: its whole line, up to this.
inline constexpr int widestPreferredText = 400;
// The room of a short word in the font: what a text that gives way to its row asks for at least.
qreal shortWordWidth(const QFont& font);
// What a text of that natural width in the font asks a layout for, as one that gives way to its
// row: its whole width up to `widest`, and at least the room of a short word, or its whole width
// when that is less.
struct GivingWayWidths {
    qreal preferred;
    qreal least;
};
GivingWayWidths givingWayWidths(qreal natural, const QFont& font, qreal widest);

// Once per process, at start-up before any service exists: registers every ".ttf" and ".otf"
// file (any letter case) found under the resource folders the application hands in, subfolders
// included. A later call does nothing; a file that does not register is skipped.
void registerBundledFonts(const QStringList& resourceFolders);

// The files registerBundledFonts() takes from those folders, in folder order.
QStringList fontFilesIn(const QStringList& folders);
// Registers each file with the font database; answers how many registered.
int registerFontFiles(const QStringList& files);

// Makes appFont(13, regular) the default font of every widget that sets none of its own. Called
// by the application object after registerBundledFonts(), and by the widget test harness.
void useAppFontAsDefault();

} // namespace marlox::ui
