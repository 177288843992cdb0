#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vellicor {

/// One country of ISO 3166-1: its two- and three-letter codes.
struct Country {
    std::string alpha2;
    std::string alpha3;

    bool operator==(const Country&) const = default;
};

/// The country table shipped in the main bundle as "isoCountryCodes.json": a
/// JSON array of objects with the string keys "alpha-2" and "alpha-3" (other
/// keys ignored). The file is read when the provider is made; one entry
/// without either code makes the whole table unreadable, and an unreadable
/// or missing table reads as no countries.
class CountryCodeProvider {
public:
    /// Reads the table from the platform's main bundle.
    CountryCodeProvider();
    /// Over a list that was already read (none: no table).
    explicit CountryCodeProvider(std::optional<std::vector<Country>> countries);

    const std::optional<std::vector<Country>>& countries() const { return countries_; }
    /// Alpha-3 code to alpha-2 code, codes compared exactly as written; where
    /// an alpha-3 code occurs twice, the later entry wins. Empty without a table.
    std::map<std::string, std::string> alpha3toAlpha2() const;

    /// The countries of a table's JSON text; none when it is not such a table.
    static std::optional<std::vector<Country>> decodeCountries(std::string_view json);

private:
    static std::optional<std::vector<Country>> loadCountriesFromJson();

    std::optional<std::vector<Country>> countries_;
};

} // namespace vellicor
