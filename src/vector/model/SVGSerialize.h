#pragma once

#include <QString>

namespace marlox::vector {

// The text form of a number in the library's text output: the shortest decimal text that reads
// back as the same value, plain between 0.0001 and 1e16 and in exponent form outside, with a
// trailing ".0" removed (100.0 gives "100", 12.5 gives "12.5", -0.0 gives "-0").
QString serialize(double value);
// "true" or "false".
QString serialize(bool value);

} // namespace marlox::vector
