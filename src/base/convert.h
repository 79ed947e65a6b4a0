#pragma once
// Conversions between texts, numbers, truth values and byte sets.
#include "base/date_time.h"
#include "base/text.h"

namespace lv::base {

// Maps full-width GBK digits, letters and signs to their ASCII forms.
Text half_width(std::string_view text);

int to_int(std::string_view text);   // half-width mapping, then a decimal integer
int to_int(double value);            // truncated toward zero
double to_number(std::string_view text);

Text to_text(int value);             // "%d"
Text to_text(double value);          // "%.13g"
Text to_text(bool value);            // "真" / "假"
Text to_text(const Bytes& bytes);    // bytes up to the first zero byte
Text to_text(std::string_view text); // a copy
Text to_text(const DateTime& value); // the date-time text form
// Keeps string literals from choosing the bool overload.
inline Text to_text(const char* text) { return to_text(std::string_view(text)); }
inline Text to_text(const Text& text) { return to_text(std::string_view(text)); }

// The value types a byte set can be read back as; the program reads texts only.
enum class ValueType : int { text = 0 };
// Reading as any type outside ValueType stops the program with a runtime error.
Text bytes_to_value(const Bytes& bytes, ValueType type = ValueType::text);

}  // namespace lv::base
