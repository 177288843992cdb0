#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Data.hpp"
#include "Platform/Foundation/Error.hpp"

#include <nlohmann/json.hpp>

#include <expected>
#include <filesystem>
#include <optional>
#include <string_view>

namespace platform {

/// The two encodings of a property list file.
enum class PropertyListFormat { xml, binary };

/// Property lists (XML or binary) read into and written from JSON values, with
/// every type kept apart:
///
///   property list        JSON
///   -------------        ----
///   Boolean              boolean
///   integer              integer (signed; unsigned only above INT64_MAX)
///   real                 floating-point number
///   string               string
///   array                array
///   dictionary           object
///   date                 floating-point number: seconds since 1970-01-01 UTC
///   data                 binary (nlohmann::json::binary_t, no subtype)
///   UID (keyed archive)  object {"CF$UID": n}
///
/// JSON has no date type, so a date read from a file is written back as a
/// real. JSON null has no property-list form: writing a value that holds a null
/// anywhere fails, as do strings (or keys) that hold a NUL character or are not
/// UTF-8. Reading fails on anything malformed: bad syntax, text that is not
/// UTF-8, a dictionary key without a value, or nesting deeper than
/// `kMaxDepth` containers (also for writing). The text of XML scalars is
/// read as libplist reads it: leniently (an integer element holding letters
/// reads as 0, bad Base64 as empty data).
class PLATFORM_EXPORT PropertyList {
public:
    /// The deepest nesting of arrays and dictionaries read or written.
    static constexpr int kMaxDepth = 256;

    /// The value of an XML or binary property list; none when the bytes are
    /// not a well-formed property list.
    static std::optional<nlohmann::json> parse(const Data& bytes);
    static std::optional<nlohmann::json> parse(std::string_view bytes);
    /// The format of the bytes as judged by their header; none for empty input.
    static std::optional<PropertyListFormat> detectFormat(std::string_view bytes);

    /// Reads a property list file; none when missing, unreadable or malformed.
    static std::optional<nlohmann::json> read(const std::filesystem::path& path);

    /// The bytes of a value in the given format. Errors are of the Cocoa
    /// domain, code 3851 (a value a property list cannot hold).
    static std::expected<Data, Error> serialize(const nlohmann::json& value,
                                                PropertyListFormat format = PropertyListFormat::xml);

    /// Serializes a value and replaces the file atomically.
    static std::expected<void, Error> write(const std::filesystem::path& path, const nlohmann::json& value,
                                            PropertyListFormat format = PropertyListFormat::xml);
};

} // namespace platform
