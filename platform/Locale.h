#pragma once
// Language names of locales, the way the rest of the program expects them: the
// three-letter abbreviation ("DEU", "ENU", "ENG", "FRA", ...) whose first two letters,
// lower-cased, are the program's language codes ("de", "en", "fr").
//
// The user's locale comes from the POSIX environment: LC_ALL, else LC_MESSAGES, else
// LANG (the first one that is set and not empty). "C" and "POSIX" count as US English.
//
// Threads: pure functions; UserLanguageAbbrev reads the environment and must not race
// with setenv.
#include <string>
#include <string_view>

namespace dabrix::platform {

// Numeric locale identifiers the program uses for its language modules.
inline constexpr int LocaleGerman = 1031;       // de_DE
inline constexpr int LocaleEnglishUS = 1033;    // en_US
inline constexpr int LocaleEnglishUK = 2057;    // en_GB
inline constexpr int LocaleFrench = 1036;       // fr_FR

// The abbreviation of a POSIX locale name such as "de_DE.UTF-8", "en_GB", "fr_CA@euro"
// or "nl". A territory the table does not know falls back to the language's main
// country; a language it does not know gives the upper-cased language code. Empty for an
// empty or malformed name.
std::string LanguageAbbrevOfPosixLocale(std::string_view name);

// The abbreviation of a numeric locale identifier (1031 -> "DEU", 2057 -> "ENG",
// 1036 -> "FRA"); empty for an identifier the table does not hold, such as 0.
std::string LanguageAbbrevOfLocaleId(int localeId);

// The abbreviation of the user's default locale, from the environment.
std::string UserLanguageAbbrev();

} // namespace dabrix::platform
