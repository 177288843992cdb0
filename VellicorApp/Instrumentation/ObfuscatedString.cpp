#include "VellicorApp/Instrumentation/ObfuscatedString.hpp"

#include "Platform/Foundation/Text.hpp"

#include <algorithm>
#include <optional>
#include <set>
#include <unordered_map>
#include <vector>

namespace vellicor {

namespace {

const std::optional<platform::Regex>& userIdPattern() {
    static const std::optional<platform::Regex> pattern = []() -> std::optional<platform::Regex> {
        auto made = platform::Regex::make("(005[a-z0-9]{2}0[a-z0-9]{4})([a-z0-9]{5})([a-z0-9]{3})?",
                                          platform::RegexOptions{.caseInsensitive = true});
        if (!made) return std::nullopt;
        return std::move(*made);
    }();
    return pattern;
}

struct Replacement {
    std::string_view id;  // the id's text as found
    std::string masked;   // "[...<5 kept characters>]"
};

} // namespace

// Replacing each id's text in turn over the whole result would read the text
// once per id, which a large crash log with many ids cannot afford. A
// replacement holds "[", "." and "]", which no id holds, so no id can later
// be found across one; an id's places in the result are therefore its places
// in the input that no earlier id has taken. One scan finds every place of
// every id; each id then takes its places left to right, skipping those that
// overlap a place taken before, exactly as the replacements in turn would.
std::string obfuscatedString(std::string_view text) {
    const auto& pattern = userIdPattern();
    if (!pattern) return std::string(text);
    const auto matches = pattern->matches(text);
    if (matches.empty()) return std::string(text);

    // Each distinct id once, in the order of its first appearance: a repeat
    // would find nothing left to replace.
    std::vector<Replacement> replacements;
    std::unordered_map<std::string_view, std::size_t> indexOfId;
    std::set<std::size_t> idLengths;
    for (const auto& match : matches) {
        const auto id = platform::substring(text, match.range());
        if (indexOfId.contains(id)) continue;
        const auto kept = match.ranges.size() > 2 && match.ranges[2] ? platform::substring(text, *match.ranges[2])
                                                                     : std::string_view{};
        indexOfId.emplace(id, replacements.size());
        idLengths.insert(id.size());
        replacements.push_back({id, "[..." + std::string(kept) + "]"});
    }

    // Every place where an id's exact text starts (all begin with "005").
    std::vector<std::vector<std::size_t>> places(replacements.size());
    for (auto at = text.find("005"); at != std::string_view::npos; at = text.find("005", at + 1)) {
        for (const auto length : idLengths) {
            if (at + length > text.size()) break;
            if (const auto found = indexOfId.find(text.substr(at, length)); found != indexOfId.end()) {
                places[found->second].push_back(at);
            }
        }
    }

    // Which input bytes are already replaced, and by which id at its start.
    std::vector<bool> taken(text.size(), false);
    std::vector<std::pair<std::size_t, std::size_t>> starts; // (place, replacement index)
    for (std::size_t index = 0; index < replacements.size(); ++index) {
        const auto length = replacements[index].id.size();
        std::size_t searchFrom = 0;
        for (const auto place : places[index]) {
            if (place < searchFrom) continue; // overlaps this id's previous place
            const auto free = std::none_of(taken.begin() + static_cast<std::ptrdiff_t>(place),
                                           taken.begin() + static_cast<std::ptrdiff_t>(place + length),
                                           [](bool t) { return t; });
            if (!free) continue;
            std::fill(taken.begin() + static_cast<std::ptrdiff_t>(place),
                      taken.begin() + static_cast<std::ptrdiff_t>(place + length), true);
            starts.emplace_back(place, index);
            searchFrom = place + length;
        }
    }
    std::sort(starts.begin(), starts.end());

    std::string result;
    result.reserve(text.size());
    std::size_t copied = 0;
    for (const auto& [place, index] : starts) {
        result.append(text.substr(copied, place - copied));
        result.append(replacements[index].masked);
        copied = place + replacements[index].id.size();
    }
    result.append(text.substr(copied));
    return result;
}

} // namespace vellicor
