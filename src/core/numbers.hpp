// Numbers as text, the same in every locale: the shortest decimal that
// reads back to the same double, and a strict reader of plain decimals.
#pragma once

#include <string>
#include <string_view>

namespace corvan::text {

// "0.98", "4.9384", "1e-05": std::to_chars' shortest round-trip form.
std::string number(double value);

// `value` with `decimals` digits after the point: "79.966331".
std::string fixed(double value, int decimals);

// Whole counts as integers, others as the shortest fixed-point decimal that
// reads back to the same double (no exponent): "12", "4.9384", "0.0417".
std::string count(double value);

// A signed decimal as a mass shift is written ("+79.966", "-18.0106",
// "1e2"); NaN when it does not read whole.
double signed_number(std::string_view text);

// A plain decimal ("0.98", ".5", "1", "2.5e-3"): digits with an optional
// point and exponent, no sign, no spaces, no hex, inf or nan. The whole of
// `text` must be the number.
bool read_number(std::string_view text, double &value);

} // namespace corvan::text
