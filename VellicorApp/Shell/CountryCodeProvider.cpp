#include "VellicorApp/Shell/CountryCodeProvider.hpp"

#include "Platform/Foundation/Bundle.hpp"
#include "Platform/Foundation/Data.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/Json.hpp"

namespace vellicor {

CountryCodeProvider::CountryCodeProvider() : countries_(loadCountriesFromJson()) {}

CountryCodeProvider::CountryCodeProvider(std::optional<std::vector<Country>> countries)
    : countries_(std::move(countries)) {}

std::map<std::string, std::string> CountryCodeProvider::alpha3toAlpha2() const {
    std::map<std::string, std::string> mapping;
    if (!countries_) return mapping;
    for (const auto& country : *countries_) mapping.insert_or_assign(country.alpha3, country.alpha2);
    return mapping;
}

std::optional<std::vector<Country>> CountryCodeProvider::decodeCountries(std::string_view json) {
    const auto parsed = platform::parseJson(json);
    if (!parsed || !parsed->is_array()) return std::nullopt;
    std::vector<Country> countries;
    countries.reserve(parsed->size());
    for (const auto& entry : *parsed) {
        if (!entry.is_object()) return std::nullopt;
        auto alpha2 = platform::jsonString(entry, "alpha-2");
        auto alpha3 = platform::jsonString(entry, "alpha-3");
        if (!alpha2 || !alpha3) return std::nullopt;
        countries.push_back(Country{std::move(*alpha2), std::move(*alpha3)});
    }
    return countries;
}

std::optional<std::vector<Country>> CountryCodeProvider::loadCountriesFromJson() {
    const auto bundle = platform::Bundle::main();
    if (!bundle) return std::nullopt;
    const auto path = bundle->pathForResource("isoCountryCodes", "json");
    if (!path) return std::nullopt;
    const auto data = platform::readFile(*path);
    if (!data) return std::nullopt;
    const auto text = platform::utf8String(*data);
    if (!text) return std::nullopt;
    return decodeCountries(*text);
}

} // namespace vellicor
