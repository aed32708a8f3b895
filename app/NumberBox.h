// NumberBox: how the main window reads its number boxes: edit boxes as 32- or
// 64-bit integers (decimal or "$"/"0x"/"x" hexadecimal), spin boxes leniently.
#pragma once

#include <QString>

#include <cstdint>
#include <stdexcept>

class QLineEdit;
class QSpinBox;

// Raised by a number box that holds no valid number; the command that read it
// ends and the text is shown to the operator.
class EConvertError : public std::runtime_error {
public:
    explicit EConvertError(const std::string& message) : std::runtime_error(message) {}
};

// Decimal within signed 32 bits, or hexadecimal within 32 bits after "0x",
// "0X", "x", "X" or "$"; leading blanks and one sign accepted. Anything else
// raises "'<text>' is not a valid integer value".
std::int32_t StrToInt(const QString& text);
// The same within 64 bits.
std::int64_t StrToInt64(const QString& text);

// A spin box never raises: text that is no number reads as the minimum, a
// number outside the range is clamped.
int SpinValue(const QSpinBox* box);
// Sets a value from code, clamped to the box's range.
void SetSpinValue(QSpinBox* box, long long value);

// Limits what the operator may type into an edit box to maxLen characters,
// while text set by code is kept whole (QLineEdit::setMaxLength would cut it).
void LimitTyping(QLineEdit* edit, int maxLen);
