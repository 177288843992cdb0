#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Data.hpp"
#include "Platform/Foundation/Error.hpp"

#include <expected>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>

namespace platform {

/// Localisation tables: ".strings" files of `"key" = "value";` pairs.
///
/// The grammar read:
/// - entries `key = value;`, or `key;` which maps the key to itself;
/// - keys and values are quoted strings, or unquoted runs of letters, digits
///   and `_ $ + / : . -`;
/// - `/* ... */` and `// ...` comments and any white space between tokens;
/// - escapes in quoted strings: `\" \' \\ \n \t \r \a \b \f \v`, up to three
///   octal digits, `\U` or `\u` with up to four hexadecimal digits (a pair of
///   escaped UTF-16 surrogates forms one character); any other escaped
///   character stands for itself;
/// - a later entry for the same key replaces the earlier one.
///
/// The file is UTF-8 (with or without a byte-order mark) or UTF-16 (little
/// or big endian) with a byte-order mark, or without one when its first
/// character is ASCII, which shows the byte order. Errors are of the Cocoa domain,
/// code 3840, with the line (1-based) in the description and under "line".
class PLATFORM_EXPORT StringsFile {
public:
    using Table = std::map<std::string, std::string>;

    /// The entries of the file's bytes.
    static std::expected<Table, Error> parse(const Data& bytes);
    static std::expected<Table, Error> parse(std::string_view bytes);
    /// The entries of a file; a missing or unreadable file is the read error.
    static std::expected<Table, Error> read(const std::filesystem::path& path);
};

} // namespace platform
