#pragma once
// What counts as a reading in a line of gauge text: one number, with a point or a comma as
// decimal separator, optionally followed by a unit (µm, um, mm, mils), and at most one
// reading counter before or after it ("#12", "No. 12", "12:"). Blanks around the parts are
// free. Anything else in the line (a word, a second number, a prompt, "Sync...") makes it
// no reading, so status lines, statistics blocks and garbage are never taken for values.
//
// Accepted, e.g.: "   12.5 um #1", "12,5 µm", "#0012345 12.5 um", "No. 3: 0.125 mm",
// "4.20", "-0.3mils", "12.5µm" (also the micro sign as UTF-8 read byte by byte, "Âµm").
//
// Threads: plain functions, callable from any thread.
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

namespace dabrix::readings {

enum class ReadingUnit : std::uint8_t { None, Micrometre, Millimetre, Mils };

// "µm", "mm", "mils", or empty for None.
QString UnitText(ReadingUnit unit);
// How many micrometres one of `unit` is; 0 for None (no length to convert).
double MicrometresPer(ReadingUnit unit);

struct ParsedReading {
    double value = 0;
    ReadingUnit unit = ReadingUnit::None;
    std::uint8_t decimals = 0;  // digits after the decimal separator, as the gauge sent them
};

// The reading in one line (without its line end), or nothing when the line holds none.
std::optional<ParsedReading> ParseReading(QStringView line);

} // namespace dabrix::readings
