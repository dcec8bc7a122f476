#include "platform/Locale.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace dabrix::platform {
namespace {

struct LocaleRow {
    int id;                   // numeric locale identifier
    std::string_view language;   // ISO 639 code as POSIX spells it
    std::string_view territory;  // ISO 3166 code
    std::string_view abbrev;
};

// The first row of a language is its main country: a locale with only a language, or
// with a territory not listed, takes that row's abbreviation.
constexpr LocaleRow kLocales[] = {
    {1031, "de", "DE", "DEU"}, {3079, "de", "AT", "DEA"}, {2055, "de", "CH", "DES"},
    {4103, "de", "LU", "DEL"}, {5127, "de", "LI", "DEC"},
    {1033, "en", "US", "ENU"}, {2057, "en", "GB", "ENG"}, {3081, "en", "AU", "ENA"},
    {4105, "en", "CA", "ENC"}, {5129, "en", "NZ", "ENZ"}, {6153, "en", "IE", "ENI"},
    {7177, "en", "ZA", "ENS"},
    {1036, "fr", "FR", "FRA"}, {2060, "fr", "BE", "FRB"}, {3084, "fr", "CA", "FRC"},
    {4108, "fr", "CH", "FRS"}, {5132, "fr", "LU", "FRL"},
    {1043, "nl", "NL", "NLD"}, {2067, "nl", "BE", "NLB"},
    {1040, "it", "IT", "ITA"}, {2064, "it", "CH", "ITS"},
    {3082, "es", "ES", "ESN"}, {2058, "es", "MX", "ESM"},
    {2070, "pt", "PT", "PTG"}, {1046, "pt", "BR", "PTB"},
    {1053, "sv", "SE", "SVE"}, {1030, "da", "DK", "DAN"}, {1044, "nb", "NO", "NOR"},
    {1035, "fi", "FI", "FIN"}, {1045, "pl", "PL", "PLK"}, {1029, "cs", "CZ", "CSY"},
    {1038, "hu", "HU", "HUN"}, {1049, "ru", "RU", "RUS"}, {1055, "tr", "TR", "TRK"},
    {1032, "el", "GR", "ELL"}, {1041, "ja", "JP", "JPN"}, {1042, "ko", "KR", "KOR"},
    {2052, "zh", "CN", "CHS"}, {1028, "zh", "TW", "CHT"},
};

std::string Upper(std::string_view s)
{
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return out;
}

std::string Lower(std::string_view s)
{
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

bool AllAlpha(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isalpha(c) != 0; });
}

} // namespace

std::string LanguageAbbrevOfPosixLocale(std::string_view name)
{
    // language[_territory][.codeset][@modifier]
    name = name.substr(0, name.find_first_of(".@"));
    if (name == "C" || name == "POSIX")
        return "ENU";
    const size_t underscore = name.find('_');
    const std::string language = Lower(name.substr(0, underscore));
    const std::string territory =
        underscore == std::string_view::npos ? std::string() : Upper(name.substr(underscore + 1));
    if (language.size() < 2 || language.size() > 3 || !AllAlpha(language))
        return {};

    const LocaleRow* main = nullptr;
    for (const LocaleRow& row : kLocales) {
        if (row.language != language)
            continue;
        if (row.territory == territory)
            return std::string(row.abbrev);
        if (!main)
            main = &row;
    }
    if (main)
        return std::string(main->abbrev);
    return Upper(language);
}

std::string LanguageAbbrevOfLocaleId(int localeId)
{
    for (const LocaleRow& row : kLocales) {
        if (row.id == localeId)
            return std::string(row.abbrev);
    }
    return {};
}

std::string UserLanguageAbbrev()
{
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value) {
            // A name that is not a locale at all behaves as the C locale does.
            std::string abbrev = LanguageAbbrevOfPosixLocale(value);
            return abbrev.empty() ? LanguageAbbrevOfPosixLocale("C") : abbrev;
        }
    }
    return LanguageAbbrevOfPosixLocale("C");
}

} // namespace dabrix::platform
