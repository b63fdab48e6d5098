#pragma once

#include <QString>

namespace marlox::base {

// The text without the characters that embed or override a direction (U+202A to U+202E) or
// isolate one (U+2066 to U+2069): from outside they would make a name read as another, as
// "evil\u202Etxt.exe" reads "evilexe.txt".
QString withoutBidiControls(const QString& text);

// The first `count` characters of the text, all of it when it is no longer; one fewer rather
// than half of a character outside the basic plane.
QString leadingCharacters(const QString& text, qsizetype count);

// At most `maximumCharacters` of the text (as leadingCharacters), an ellipsis in place of the
// rest: what a label is handed of a text from outside, since laying out a megabyte of it takes
// a second.
QString textCutForShowing(const QString& text, qsizetype maximumCharacters);

// One of U+0000 to U+001F (a tab and the line breaks among them) or U+007F, which a line of text,
// or a field of one, cannot carry as it is.
bool isControlCharacter(QChar character);

} // namespace marlox::base
