#pragma once

#include <QRect>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <ostream>

// Readable Qt texts in test failure messages. They live in Qt's namespace so that the test
// framework finds them by argument-dependent lookup.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* out) {
    *out << '[' << list.join(QStringLiteral(", ")).toStdString() << ']';
}
inline void PrintTo(const QRect& rect, std::ostream* out) {
    *out << rect.width() << 'x' << rect.height() << " at (" << rect.x() << ", " << rect.y() << ')';
}
inline void PrintTo(const QUrl& url, std::ostream* out) {
    *out << url.toString().toStdString();
}
QT_END_NAMESPACE
