#include "app/readings/ReadingParser.h"

#include <array>

namespace dabrix::readings {
namespace {

// More digits than a double holds exactly are no gauge reading.
constexpr int kMaxDigits = 15;

constexpr std::array<double, kMaxDigits + 1> kPowersOfTen = {
    1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// Control characters count as blanks: gauges frame lines with STX/ETX and the like, and an
// echoed ENQ is no text.
bool IsBlank(QChar c)
{
    const char16_t u = c.unicode();
    return u <= 0x20 || u == 0x7F || u == 0xA0;
}

bool IsDigit(QChar c)
{
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

char16_t Lower(QChar c)
{
    const char16_t u = c.unicode();
    return u >= u'A' && u <= u'Z' ? static_cast<char16_t>(u + (u'a' - u'A')) : u;
}

class Scanner {
public:
    explicit Scanner(QStringView text)
        : text_(text)
    {
    }

    bool AtEnd() const { return pos_ >= text_.size(); }
    QChar Peek(qsizetype ahead = 0) const
    {
        return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : QChar();
    }
    void SkipBlanks()
    {
        while (!AtEnd() && IsBlank(text_[pos_]))
            ++pos_;
    }
    // The end of a part: the line's end, a blank or a counter's '#'.
    bool AtBoundary() const { return AtEnd() || IsBlank(Peek()) || Peek() == u'#'; }

    // Case-insensitive ASCII `word` at the position; consumed when it is there.
    bool Take(const char* word)
    {
        qsizetype i = 0;
        for (; word[i] != 0; ++i)
            if (Lower(Peek(i)) != static_cast<char16_t>(word[i]))
                return false;
        pos_ += i;
        return true;
    }

    // Decimal digits; false when there is none (or too many).
    bool TakeDigits()
    {
        const qsizetype start = pos_;
        while (!AtEnd() && IsDigit(text_[pos_]))
            ++pos_;
        return pos_ > start && pos_ - start <= kMaxDigits;
    }

    // "#12", "# 12", "No. 12", "Nr 12", "12:", each with an optional ':' after it.
    bool TakeCounter()
    {
        const qsizetype start = pos_;
        if (Peek() == u'#' || Take("no") || Take("nr")) {
            if (Peek() == u'#' || Peek() == u'.')
                ++pos_;
            SkipBlanks();
            if (TakeDigits()) {
                if (Peek() == u':')
                    ++pos_;
                if (AtBoundary())
                    return true;
            }
        } else if (TakeDigits() && Peek() == u':') {
            ++pos_;
            if (AtBoundary())
                return true;
        }
        pos_ = start;
        return false;
    }

    // [+-]digits[(.|,)digits], ending at a boundary or where a unit starts.
    bool TakeNumber(ParsedReading& reading)
    {
        const qsizetype start = pos_;
        bool negative = false;
        if (Peek() == u'+' || Peek() == u'-') {
            negative = Peek() == u'-';
            ++pos_;
        }
        long long mantissa = 0;
        int digits = 0;
        int decimals = 0;
        bool fraction = false;
        while (!AtEnd()) {
            const QChar c = text_[pos_];
            if (IsDigit(c)) {
                if (++digits > kMaxDigits)
                    break;
                mantissa = mantissa * 10 + (c.unicode() - u'0');
                decimals += fraction ? 1 : 0;
                ++pos_;
            } else if ((c == u'.' || c == u',') && !fraction && digits > 0 && IsDigit(Peek(1))) {
                fraction = true;
                ++pos_;
            } else {
                break;
            }
        }
        if (digits == 0 || digits > kMaxDigits || !(AtBoundary() || StartsUnit())) {
            pos_ = start;
            return false;
        }
        // Both exact, so the one division rounds the decimal correctly.
        const double value = static_cast<double>(mantissa) / kPowersOfTen[static_cast<size_t>(decimals)];
        reading.value = negative ? -value : value;
        reading.decimals = static_cast<std::uint8_t>(decimals);
        return true;
    }

    bool StartsUnit() const
    {
        const char16_t c = Lower(Peek());
        return c == u'u' || c == u'm' || c == 0xB5 || c == 0x3BC || c == 0xC2;
    }

    // A unit that ends at a boundary; the micro sign as Latin-1, as Greek mu, or as the
    // two bytes of its UTF-8 form shown one character each ("Âµ").
    bool TakeUnit(ReadingUnit& unit)
    {
        const qsizetype start = pos_;
        if (Peek() == QChar(0xC2) && Peek(1) == QChar(0xB5))
            ++pos_;
        if ((Peek() == QChar(0xB5) || Peek() == QChar(0x3BC)) && Lower(Peek(1)) == u'm') {
            pos_ += 2;
            unit = ReadingUnit::Micrometre;
        } else if (Take("um")) {
            unit = ReadingUnit::Micrometre;
        } else if (Take("mm")) {
            unit = ReadingUnit::Millimetre;
        } else if (Take("mils") || Take("mil")) {
            unit = ReadingUnit::Mils;
        }
        if (unit != ReadingUnit::None && AtBoundary())
            return true;
        unit = ReadingUnit::None;
        pos_ = start;
        return false;
    }

private:
    QStringView text_;
    qsizetype pos_ = 0;
};

} // namespace

QString UnitText(ReadingUnit unit)
{
    switch (unit) {
    case ReadingUnit::None:
        return {};
    case ReadingUnit::Micrometre:
        return QString(QChar(0xB5)) + QLatin1Char('m');
    case ReadingUnit::Millimetre:
        return QStringLiteral("mm");
    case ReadingUnit::Mils:
        return QStringLiteral("mils");
    }
    return {};
}

double MicrometresPer(ReadingUnit unit)
{
    switch (unit) {
    case ReadingUnit::None:
        return 0;
    case ReadingUnit::Micrometre:
        return 1;
    case ReadingUnit::Millimetre:
        return 1000;
    case ReadingUnit::Mils:
        return 25.4;
    }
    return 0;
}

std::optional<ParsedReading> ParseReading(QStringView line)
{
    Scanner scan(line);
    ParsedReading reading;
    bool counter = false;
    bool number = false;
    for (scan.SkipBlanks(); !scan.AtEnd(); scan.SkipBlanks()) {
        if (scan.TakeCounter()) {
            if (counter)
                return std::nullopt;
            counter = true;
        } else if (!number && scan.TakeNumber(reading)) {
            number = true;
            scan.SkipBlanks();
            scan.TakeUnit(reading.unit);
        } else {
            return std::nullopt;  // a word, a second number, a prompt: no reading
        }
    }
    if (!number)
        return std::nullopt;
    return reading;
}

} // namespace dabrix::readings
