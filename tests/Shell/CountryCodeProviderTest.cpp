#include "VellicorApp/Shell/CountryCodeProvider.hpp"

#include "tests/Shell/AppTestSupport.hpp"

#include "Platform/Foundation/Bundle.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace vellicor;

namespace {

TEST(CountryCodeProvider, TheGeneratedTableMapsEveryCountryOfTheStandard) {
    platform::Bundle::setMainBundlePath(apptest::copyPackage());
    const CountryCodeProvider provider;
    ASSERT_TRUE(provider.countries());
    // ISO 3166-1 lists 249 countries; the list grows only rarely.
    EXPECT_GE(provider.countries()->size(), 249u);
    const auto mapping = provider.alpha3toAlpha2();
    const struct {
        const char* alpha3;
        const char* alpha2;
    } rows[] = {{"USA", "US"}, {"DEU", "DE"}, {"GBR", "GB"}, {"CIV", "CI"}, {"ALA", "AX"}, {"JPN", "JP"}};
    for (const auto& row : rows) {
        ASSERT_TRUE(mapping.contains(row.alpha3)) << row.alpha3;
        EXPECT_EQ(mapping.at(row.alpha3), row.alpha2) << row.alpha3;
    }
    EXPECT_FALSE(mapping.contains("usa"));
    EXPECT_EQ(mapping.size(), provider.countries()->size()) << "an alpha-3 code occurs twice";
}

TEST(CountryCodeProvider, DecodesOnlyWholeTables) {
    struct Case {
        const char* name;
        const char* json;
        std::optional<std::vector<Country>> expected;
    };
    const Case cases[] = {
        {"two countries, other keys ignored",
         R"([{"alpha-2":"US","alpha-3":"USA","name":"United States"},{"alpha-3":"DEU","alpha-2":"DE"}])",
         std::vector<Country>{{"US", "USA"}, {"DE", "DEU"}}},
        {"empty list", "[]", std::vector<Country>{}},
        {"one entry without alpha-2", R"([{"alpha-2":"US","alpha-3":"USA"},{"alpha-3":"DEU"}])", std::nullopt},
        {"code of the wrong type", R"([{"alpha-2":"US","alpha-3":840}])", std::nullopt},
        {"entry not an object", R"([{"alpha-2":"US","alpha-3":"USA"}, "DEU"])", std::nullopt},
        {"object instead of list", R"({"alpha-2":"US","alpha-3":"USA"})", std::nullopt},
        {"underscore keys", R"([{"alpha_2":"US","alpha_3":"USA"}])", std::nullopt},
        {"truncated", R"([{"alpha-2":"US")", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CountryCodeProvider::decodeCountries(c.json), c.expected) << c.name;
    }
}

TEST(CountryCodeProvider, TheLaterOfTwoEntriesForOneCodeWins) {
    const CountryCodeProvider provider(std::vector<Country>{{"US", "USA"}, {"UM", "USA"}, {"DE", "DEU"}});
    const auto mapping = provider.alpha3toAlpha2();
    EXPECT_EQ(mapping.at("USA"), "UM");
    EXPECT_EQ(mapping.at("DEU"), "DE");
    EXPECT_TRUE(CountryCodeProvider(std::nullopt).alpha3toAlpha2().empty());
}

TEST(CountryCodeProvider, AMissingOrBrokenTableReadsAsNone) {
    const auto package = apptest::copyPackage();
    platform::Bundle::setMainBundlePath(package);
    std::filesystem::remove(package / "isoCountryCodes.json");
    EXPECT_EQ(CountryCodeProvider().countries(), std::nullopt);

    std::ofstream(package / "isoCountryCodes.json") << R"([{"alpha-2":"US","alpha-3":"USA"},{"alpha-2":"DE"}])";
    EXPECT_EQ(CountryCodeProvider().countries(), std::nullopt);
    EXPECT_TRUE(CountryCodeProvider().alpha3toAlpha2().empty());

    std::ofstream(package / "isoCountryCodes.json") << "\xff\xfe[]";
    EXPECT_EQ(CountryCodeProvider().countries(), std::nullopt);
}

} // namespace
