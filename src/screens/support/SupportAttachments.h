#pragma once

#include "platform/FileChooser.h"

#include <QLocale>
#include <QString>
#include <QStringList>

namespace marlox::screens {

// What "Add Files" asks for: several images, movies or PDF files at once, starting in the user's
// Pictures folder, or home when there is none.
platform::FileChoice supportAttachmentChoice();

// The list with each chosen file appended unless it is already there; the order stays.
QStringList withAttachmentsAdded(QStringList attached, const QStringList& chosen);
// The list without the file at that position; a position outside the list changes nothing.
QStringList withAttachmentRemoved(QStringList attached, qsizetype position);

// The symbol of an attachment row, by the file's extension in lower case.
QString attachmentIconName(const QString& path);
// The file's size in decimal units; empty when the file cannot be looked at.
QString attachmentSizeText(const QString& path, const QLocale& locale = QLocale());

} // namespace marlox::screens
