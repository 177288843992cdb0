#include "Platform/Foundation/PropertyList.hpp"

#include "Platform/Foundation/FileManager.hpp"

#include <plist/plist.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace platform {

namespace {

using json = nlohmann::json;

/// The largest property list read: far above any file the app keeps, and a
/// bound on the work the pre-checks below do.
constexpr std::size_t kMaxInputSize = 16 * 1024 * 1024;
/// The most values a binary property list may unfold into. Binary lists can
/// refer to one object from many places; the reader copies it each time.
constexpr std::uint64_t kMaxExpandedNodes = 4'000'000;
/// Seconds from 1970-01-01 to 2001-01-01, the epoch of property-list dates.
constexpr double kReferenceDateOffset = 978'307'200.0;
/// The Cocoa error of a value that has no property-list form.
constexpr long kPropertyListWriteInvalid = 3851;

constexpr std::string_view kBinaryMagic = "bplist00";

struct PlistDeleter {
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

// ---------------------------------------------------------------------------
// Pre-checks. libplist 2.2 walks nested containers recursively (reading
// binary, writing both formats, freeing), so a deep list would overflow the
// stack, and its binary reader copies shared objects, so a small file can
// unfold into billions of values. Both are refused before libplist sees them.

/// Whether the XML nests arrays and dictionaries no deeper than kMaxDepth.
/// Counts raw tags only; a comment holding such tags can only make it stricter.
bool xmlNestingIsSafe(std::string_view text) {
    int depth = 0;
    for (std::size_t i = text.find('<'); i != std::string_view::npos; i = text.find('<', i + 1)) {
        const std::string_view rest = text.substr(i + 1);
        const bool closing = rest.starts_with('/');
        const std::string_view name = closing ? rest.substr(1) : rest;
        std::size_t nameLength = 0;
        if (name.starts_with("array")) {
            nameLength = 5;
        } else if (name.starts_with("dict")) {
            nameLength = 4;
        } else {
            continue;
        }
        if (name.size() > nameLength) {
            const char after = name[nameLength];
            if (after != '>' && after != '/' && after != ' ' && after != '\t' && after != '\n' && after != '\r') {
                continue;
            }
        }
        if (closing) {
            depth = depth > 0 ? depth - 1 : 0;
            continue;
        }
        const std::size_t end = text.find('>', i);
        if (end != std::string_view::npos && end > 0 && text[end - 1] == '/') {
            continue; // <array/>
        }
        if (++depth > PropertyList::kMaxDepth) {
            return false;
        }
    }
    return true;
}

/// Reads the binary format's object table just far enough to bound the
/// nesting depth and the number of values the file unfolds into.
class BinaryShapeCheck {
public:
    explicit BinaryShapeCheck(std::string_view bytes) : bytes_(bytes) {}

    bool run() {
        if (bytes_.size() < kBinaryMagic.size() + kTrailerSize) {
            return false;
        }
        const std::size_t trailer = bytes_.size() - kTrailerSize;
        offsetSize_ = static_cast<std::uint8_t>(bytes_[trailer + 6]);
        refSize_ = static_cast<std::uint8_t>(bytes_[trailer + 7]);
        std::uint64_t objectCount = 0;
        std::uint64_t top = 0;
        std::uint64_t tableOffset = 0;
        if (!readUInt(trailer + 8, 8, objectCount) || !readUInt(trailer + 16, 8, top) ||
            !readUInt(trailer + 24, 8, tableOffset)) {
            return false;
        }
        if (offsetSize_ < 1 || offsetSize_ > 8 || refSize_ < 1 || refSize_ > 8 || objectCount == 0 ||
            top >= objectCount || tableOffset < kBinaryMagic.size() || tableOffset > trailer) {
            return false;
        }
        // Every object needs a table entry, so the count is bounded by the table's room.
        if (objectCount > (trailer - tableOffset) / offsetSize_) {
            return false;
        }
        objectCount_ = static_cast<std::size_t>(objectCount);
        tableOffset_ = static_cast<std::size_t>(tableOffset);
        return walk(static_cast<std::size_t>(top));
    }

private:
    static constexpr std::size_t kTrailerSize = 32;
    enum : std::uint8_t { unvisited = 0, open = 1, done = 2 };

    struct Frame {
        std::size_t object;
        std::vector<std::size_t> children;
        std::size_t next = 0;
    };

    bool readUInt(std::size_t at, std::size_t size, std::uint64_t& value) const {
        if (size > 8 || at > bytes_.size() || bytes_.size() - at < size) {
            return false;
        }
        value = 0;
        for (std::size_t k = 0; k < size; ++k) {
            value = (value << 8) | static_cast<std::uint8_t>(bytes_[at + k]);
        }
        return true;
    }

    /// Where an object starts, checked against the bounds of the object area.
    bool objectOffset(std::size_t object, std::size_t& offset) const {
        std::uint64_t value = 0;
        if (!readUInt(tableOffset_ + object * offsetSize_, offsetSize_, value) || value < kBinaryMagic.size() ||
            value >= tableOffset_) {
            return false;
        }
        offset = static_cast<std::size_t>(value);
        return true;
    }

    /// The length in an object's marker, or in the integer that follows it
    /// when the marker's low nibble is 0xF; `pos` moves past both.
    bool readLength(std::size_t& pos, std::uint64_t& length) const {
        length = static_cast<std::uint8_t>(bytes_[pos]) & 0x0F;
        ++pos;
        if (length != 0x0F) {
            return true;
        }
        if (pos >= tableOffset_) {
            return false;
        }
        const auto lengthMarker = static_cast<std::uint8_t>(bytes_[pos]);
        if ((lengthMarker >> 4) != 0x1 || (lengthMarker & 0x0F) > 3) {
            return false;
        }
        const std::size_t size = std::size_t{1} << (lengthMarker & 0x0F);
        if (!readUInt(pos + 1, size, length)) {
            return false;
        }
        pos += 1 + size;
        return pos <= tableOffset_;
    }

    /// libplist 2.2 stops the process when a dictionary key holds a NUL
    /// character (an assertion in its key getter); such keys are refused.
    bool keyIsSafe(std::size_t object) const {
        std::size_t pos = 0;
        if (!objectOffset(object, pos)) {
            return false;
        }
        const unsigned kind = static_cast<std::uint8_t>(bytes_[pos]) >> 4;
        if (kind != 0x5 && kind != 0x6) {
            return true; // not a string: libplist rejects it itself
        }
        std::uint64_t length = 0;
        if (!readLength(pos, length)) {
            return false;
        }
        const std::uint64_t unitSize = kind == 0x6 ? 2 : 1;
        if (length > (tableOffset_ - pos) / unitSize) {
            return false;
        }
        for (std::uint64_t k = 0; k < length; ++k) {
            const std::size_t at = pos + static_cast<std::size_t>(k * unitSize);
            if (bytes_[at] == '\0' && (unitSize == 1 || bytes_[at + 1] == '\0')) {
                return false;
            }
        }
        return true;
    }

    /// The objects a container refers to (empty for scalars); false when the
    /// object's header or references are out of bounds.
    bool children(std::size_t object, std::vector<std::size_t>& out) const {
        out.clear();
        std::size_t pos = 0;
        if (!objectOffset(object, pos)) {
            return false;
        }
        const unsigned kind = static_cast<std::uint8_t>(bytes_[pos]) >> 4;
        if (kind != 0xA && kind != 0xC && kind != 0xD) {
            return true;
        }
        std::uint64_t count = 0;
        if (!readLength(pos, count)) {
            return false;
        }
        const std::uint64_t refs = kind == 0xD ? count * 2 : count;
        if (count > tableOffset_ || refs > (tableOffset_ - pos) / refSize_) {
            return false;
        }
        out.reserve(static_cast<std::size_t>(refs));
        for (std::uint64_t k = 0; k < refs; ++k) {
            std::uint64_t ref = 0;
            if (!readUInt(pos + static_cast<std::size_t>(k) * refSize_, refSize_, ref) || ref >= objectCount_) {
                return false;
            }
            // A dictionary lists its keys first, then its values.
            if (kind == 0xD && k < count && !keyIsSafe(static_cast<std::size_t>(ref))) {
                return false;
            }
            out.push_back(static_cast<std::size_t>(ref));
        }
        return true;
    }

    /// Depth-first walk from the top object; each object is measured once.
    bool walk(std::size_t top) {
        state_.assign(objectCount_, unvisited);
        depth_.assign(objectCount_, 0);
        nodes_.assign(objectCount_, 0);
        std::vector<Frame> stack;
        if (!push(stack, top)) {
            return false;
        }
        while (!stack.empty()) {
            Frame& frame = stack.back();
            if (frame.next < frame.children.size()) {
                const std::size_t child = frame.children[frame.next++];
                if (state_[child] == open) {
                    return false; // a cycle
                }
                if (state_[child] == unvisited) {
                    if (stack.size() >= static_cast<std::size_t>(PropertyList::kMaxDepth) + 1 || !push(stack, child)) {
                        return false;
                    }
                }
                continue;
            }
            std::uint16_t depth = 0;
            std::uint64_t nodes = 1;
            for (std::size_t child : frame.children) {
                depth = std::max<std::uint16_t>(depth, depth_[child]);
                nodes += nodes_[child];
                if (nodes > kMaxExpandedNodes) {
                    return false;
                }
            }
            const bool container = !frame.children.empty() || isContainer(frame.object);
            depth_[frame.object] = static_cast<std::uint16_t>(depth + (container ? 1 : 0));
            if (depth_[frame.object] > PropertyList::kMaxDepth) {
                return false;
            }
            nodes_[frame.object] = static_cast<std::uint32_t>(nodes);
            state_[frame.object] = done;
            stack.pop_back();
        }
        return true;
    }

    bool push(std::vector<Frame>& stack, std::size_t object) {
        Frame frame{object, {}, 0};
        if (!children(object, frame.children)) {
            return false;
        }
        state_[object] = open;
        stack.push_back(std::move(frame));
        return true;
    }

    bool isContainer(std::size_t object) const {
        std::size_t offset = 0;
        if (!objectOffset(object, offset)) {
            return false;
        }
        const unsigned kind = static_cast<std::uint8_t>(bytes_[offset]) >> 4;
        return kind == 0xA || kind == 0xC || kind == 0xD;
    }

    std::string_view bytes_;
    std::uint8_t offsetSize_ = 0;
    std::uint8_t refSize_ = 0;
    std::size_t objectCount_ = 0;
    std::size_t tableOffset_ = 0;
    std::vector<std::uint8_t> state_;
    std::vector<std::uint16_t> depth_;
    std::vector<std::uint32_t> nodes_;
};

// ---------------------------------------------------------------------------
// Property list to JSON

/// libplist 2.2 keeps every integer as 64 bits plus a width: 8 bytes for a
/// signed value, 16 for an unsigned one above INT64_MAX. Only its XML writer
/// shows the width, so an integer with the top bit set is told apart there.
bool isLargeUnsigned(plist_t node) {
    char* xml = nullptr;
    std::uint32_t length = 0;
    plist_to_xml(node, &xml, &length);
    if (xml == nullptr) {
        return false;
    }
    const bool negative = std::string_view(xml, length).find("<integer>-") != std::string_view::npos;
    plist_to_xml_free(xml);
    return !negative;
}

std::optional<json> toJson(plist_t node, int depth) {
    if (node == nullptr) {
        return std::nullopt;
    }
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        std::uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return json(value != 0);
    }
    case PLIST_UINT: {
        std::uint64_t value = 0;
        plist_get_uint_val(node, &value);
        if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) && isLargeUnsigned(node)) {
            return json(value);
        }
        return json(static_cast<std::int64_t>(value));
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return json(value);
    }
    case PLIST_STRING:
    case PLIST_KEY: {
        std::uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        std::string value = text != nullptr ? std::string(text, static_cast<std::size_t>(length)) : std::string();
        if (!isValidUtf8(value)) {
            return std::nullopt;
        }
        return json(std::move(value));
    }
    case PLIST_DATA: {
        std::uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        json::binary_t::container_type data;
        if (bytes != nullptr && length > 0) {
            data.assign(reinterpret_cast<const std::uint8_t*>(bytes),
                        reinterpret_cast<const std::uint8_t*>(bytes) + length);
        }
        return json::binary(std::move(data));
    }
    case PLIST_DATE: {
        std::int32_t seconds = 0;
        std::int32_t microseconds = 0;
        plist_get_date_val(node, &seconds, &microseconds);
        return json(kReferenceDateOffset + seconds + microseconds / 1e6);
    }
    case PLIST_UID: {
        std::uint64_t value = 0;
        plist_get_uid_val(node, &value);
        return json{{"CF$UID", value}};
    }
    case PLIST_ARRAY: {
        if (depth >= PropertyList::kMaxDepth) {
            return std::nullopt;
        }
        json array = json::array();
        const std::uint32_t size = plist_array_get_size(node);
        for (std::uint32_t k = 0; k < size; ++k) {
            auto item = toJson(plist_array_get_item(node, k), depth + 1);
            if (!item) {
                return std::nullopt;
            }
            array.push_back(std::move(*item));
        }
        return array;
    }
    case PLIST_DICT: {
        if (depth >= PropertyList::kMaxDepth) {
            return std::nullopt;
        }
        json object = json::object();
        plist_dict_iter iter = nullptr;
        plist_dict_new_iter(node, &iter);
        if (iter == nullptr) {
            return std::nullopt;
        }
        bool ok = true;
        for (;;) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, iter, &key, &value);
            if (key == nullptr) {
                break;
            }
            std::string name(key);
            std::free(key);
            auto item = value != nullptr && isValidUtf8(name) ? toJson(value, depth + 1) : std::nullopt;
            if (!item) {
                ok = false;
                break;
            }
            object[std::move(name)] = std::move(*item);
        }
        std::free(iter);
        if (!ok) {
            return std::nullopt;
        }
        return object;
    }
    default:
        return std::nullopt;
    }
}

// ---------------------------------------------------------------------------
// JSON to property list

Error invalidValue(std::string description) {
    return Error(std::string(kCocoaErrorDomain), kPropertyListWriteInvalid,
                 {{std::string(kLocalizedDescriptionKey), std::move(description)}});
}

bool isPlistText(const std::string& text) {
    return text.find('\0') == std::string::npos && isValidUtf8(text);
}

std::expected<PlistPtr, Error> toPlist(const json& value, int depth) {
    switch (value.type()) {
    case json::value_t::boolean:
        return PlistPtr(plist_new_bool(value.get<bool>() ? 1 : 0));
    case json::value_t::number_integer:
        return PlistPtr(plist_new_uint(static_cast<std::uint64_t>(value.get<std::int64_t>())));
    case json::value_t::number_unsigned: {
        const auto number = value.get<std::uint64_t>();
        if (number <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
            return PlistPtr(plist_new_uint(number));
        }
        // Only libplist's readers make the unsigned 128-bit-wide integer.
        const std::string xml = "<plist><integer>" + std::to_string(number) + "</integer></plist>";
        plist_t node = nullptr;
        plist_from_xml(xml.data(), static_cast<std::uint32_t>(xml.size()), &node);
        if (node == nullptr) {
            return std::unexpected(invalidValue("The integer cannot be stored in a property list."));
        }
        return PlistPtr(node);
    }
    case json::value_t::number_float:
        return PlistPtr(plist_new_real(value.get<double>()));
    case json::value_t::string: {
        const auto& text = value.get_ref<const std::string&>();
        if (!isPlistText(text)) {
            return std::unexpected(invalidValue("A string holds a NUL character or is not UTF-8."));
        }
        return PlistPtr(plist_new_string(text.c_str()));
    }
    case json::value_t::binary: {
        const auto& bytes = value.get_binary();
        static const char empty = 0;
        const char* data = bytes.empty() ? &empty : reinterpret_cast<const char*>(bytes.data());
        return PlistPtr(plist_new_data(data, bytes.size()));
    }
    case json::value_t::array: {
        if (depth >= PropertyList::kMaxDepth) {
            return std::unexpected(invalidValue("The value nests too deeply for a property list."));
        }
        PlistPtr array(plist_new_array());
        for (const auto& element : value) {
            auto item = toPlist(element, depth + 1);
            if (!item) {
                return item;
            }
            plist_array_append_item(array.get(), item->release());
        }
        return array;
    }
    case json::value_t::object: {
        if (depth >= PropertyList::kMaxDepth) {
            return std::unexpected(invalidValue("The value nests too deeply for a property list."));
        }
        PlistPtr dict(plist_new_dict());
        for (const auto& [key, element] : value.items()) {
            if (!isPlistText(key)) {
                return std::unexpected(invalidValue("A dictionary key holds a NUL character or is not UTF-8."));
            }
            auto item = toPlist(element, depth + 1);
            if (!item) {
                return item;
            }
            plist_dict_set_item(dict.get(), key.c_str(), item->release());
        }
        return dict;
    }
    case json::value_t::null:
        return std::unexpected(invalidValue("A property list cannot hold a null value."));
    case json::value_t::discarded:
        break;
    }
    return std::unexpected(invalidValue("The value cannot be stored in a property list."));
}

} // namespace

std::optional<PropertyListFormat> PropertyList::detectFormat(std::string_view bytes) {
    if (bytes.empty()) {
        return std::nullopt;
    }
    return bytes.starts_with(kBinaryMagic) ? PropertyListFormat::binary : PropertyListFormat::xml;
}

std::optional<nlohmann::json> PropertyList::parse(std::string_view bytes) {
    const auto format = detectFormat(bytes);
    if (!format || bytes.size() > kMaxInputSize) {
        return std::nullopt;
    }
    plist_t root = nullptr;
    const auto length = static_cast<std::uint32_t>(bytes.size());
    if (*format == PropertyListFormat::binary) {
        if (!BinaryShapeCheck(bytes).run()) {
            return std::nullopt;
        }
        plist_from_bin(bytes.data(), length, &root);
    } else {
        if (!xmlNestingIsSafe(bytes)) {
            return std::nullopt;
        }
        plist_from_xml(bytes.data(), length, &root);
    }
    PlistPtr owner(root);
    return toJson(root, 0);
}

std::optional<nlohmann::json> PropertyList::parse(const Data& bytes) {
    return parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::optional<nlohmann::json> PropertyList::read(const std::filesystem::path& path) {
    auto bytes = readFile(path);
    if (!bytes) {
        return std::nullopt;
    }
    return parse(*bytes);
}

std::expected<Data, Error> PropertyList::serialize(const nlohmann::json& value, PropertyListFormat format) {
    auto root = toPlist(value, 0);
    if (!root) {
        return std::unexpected(root.error());
    }
    char* bytes = nullptr;
    std::uint32_t length = 0;
    if (format == PropertyListFormat::binary) {
        plist_to_bin(root->get(), &bytes, &length);
    } else {
        plist_to_xml(root->get(), &bytes, &length);
    }
    if (bytes == nullptr) {
        return std::unexpected(invalidValue("The property list could not be encoded."));
    }
    Data data(reinterpret_cast<const std::uint8_t*>(bytes), reinterpret_cast<const std::uint8_t*>(bytes) + length);
    if (format == PropertyListFormat::binary) {
        plist_to_bin_free(bytes);
    } else {
        plist_to_xml_free(bytes);
    }
    return data;
}

std::expected<void, Error> PropertyList::write(const std::filesystem::path& path, const nlohmann::json& value,
                                               PropertyListFormat format) {
    auto data = serialize(value, format);
    if (!data) {
        return std::unexpected(data.error());
    }
    return writeFileAtomically(path, *data);
}

} // namespace platform
