// NumberBox: integer reading of edit and spin boxes with the conversion error
// the operator sees, and the typing limit of edit boxes.
#include "app/NumberBox.h"

#include <QLineEdit>
#include <QSpinBox>
#include <QValidator>

namespace {

constexpr int kHexRadix = 16;
constexpr int kDecRadix = 10;

[[noreturn]] void RaiseNotInteger(const QString& text)
{
    throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text).toStdString());
}

int DigitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

// Parses within `bits` bits: decimal values must fit the signed range,
// hexadecimal ones the unsigned range (and are then taken as two's complement).
std::int64_t ParseInteger(const QString& text, int bits)
{
    int pos = 0;
    const int n = text.size();
    while (pos < n && text[pos] == QLatin1Char(' ')) ++pos;
    bool negative = false;
    if (pos < n && (text[pos] == QLatin1Char('-') || text[pos] == QLatin1Char('+'))) {
        negative = text[pos] == QLatin1Char('-');
        ++pos;
    }
    int radix = kDecRadix;
    if (pos < n && text[pos] == QLatin1Char('$')) {
        radix = kHexRadix;
        ++pos;
    } else if (pos < n && (text[pos] == QLatin1Char('x') || text[pos] == QLatin1Char('X'))) {
        radix = kHexRadix;
        ++pos;
    } else if (pos + 1 < n && text[pos] == QLatin1Char('0') &&
               (text[pos + 1] == QLatin1Char('x') || text[pos + 1] == QLatin1Char('X'))) {
        radix = kHexRadix;
        pos += 2;
    }
    if (pos >= n) RaiseNotInteger(text);

    const std::uint64_t unsignedMax = bits >= 64 ? ~0ull : ((1ull << bits) - 1);
    const std::uint64_t limit = radix == kHexRadix ? unsignedMax
                                                   : (negative ? (unsignedMax >> 1) + 1 : unsignedMax >> 1);
    std::uint64_t value = 0;
    for (; pos < n; ++pos) {
        const int d = DigitValue(text[pos]);
        if (d < 0 || d >= radix) RaiseNotInteger(text);
        if (value > (limit - static_cast<std::uint64_t>(d)) / static_cast<std::uint64_t>(radix))
            RaiseNotInteger(text);
        value = value * static_cast<std::uint64_t>(radix) + static_cast<std::uint64_t>(d);
    }
    if (negative) value = ~value + 1;
    value &= unsignedMax;
    // Sign-extend from `bits` bits.
    if (bits < 64 && (value >> (bits - 1)) & 1u) value |= ~unsignedMax;
    return static_cast<std::int64_t>(value);
}

// Rejects an edit that would make the text longer than the limit; shortening
// an over-long text that code put there stays possible.
// (The edit box already holds the new text while it validates, so the
// validator keeps the last accepted text itself.)
class TTypingLimit : public QValidator {
public:
    TTypingLimit(QLineEdit* edit, int maxLen) : QValidator(edit), last_(edit->text()), maxLen_(maxLen)
    {
        connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) { last_ = text; });
    }
    State validate(QString& input, int&) const override
    {
        if (input.size() > maxLen_ && input.size() > last_.size()) return Invalid;
        return Acceptable;
    }

private:
    QString last_;
    int maxLen_;
};

} // namespace

std::int32_t StrToInt(const QString& text)
{
    return static_cast<std::int32_t>(ParseInteger(text, 32));
}

std::int64_t StrToInt64(const QString& text)
{
    return ParseInteger(text, 64);
}

int SpinValue(const QSpinBox* box)
{
    bool ok = false;
    const long long v = box->cleanText().trimmed().toLongLong(&ok);
    if (!ok) return box->minimum();
    if (v < box->minimum()) return box->minimum();
    if (v > box->maximum()) return box->maximum();
    return static_cast<int>(v);
}

void SetSpinValue(QSpinBox* box, long long value)
{
    if (value < box->minimum()) value = box->minimum();
    if (value > box->maximum()) value = box->maximum();
    box->setValue(static_cast<int>(value));
}

void LimitTyping(QLineEdit* edit, int maxLen)
{
    edit->setValidator(new TTypingLimit(edit, maxLen));
}
