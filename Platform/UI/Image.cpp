#include "Platform/UI/Image.hpp"

#include "Platform/Foundation/Bundle.hpp"
#include "Platform/UI/ViewDump.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace platform::ui {

namespace {

// The sizes below are read from the first bytes of a file; nothing is decoded.

std::uint32_t bigEndian32(const Data& b, std::size_t at) {
    return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) | (std::uint32_t{b[at + 2]} << 8) |
           std::uint32_t{b[at + 3]};
}

std::optional<Size> pngSize(const Data& b) {
    static constexpr std::array<std::uint8_t, 8> kSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    // Signature, then the IHDR chunk: length, type, width, height.
    if (b.size() < 24 || !std::equal(kSignature.begin(), kSignature.end(), b.begin())) return std::nullopt;
    if (b[12] != 'I' || b[13] != 'H' || b[14] != 'D' || b[15] != 'R') return std::nullopt;
    const auto width = bigEndian32(b, 16);
    const auto height = bigEndian32(b, 20);
    // The format limits both to 2^31 - 1.
    if (width == 0 || height == 0 || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu) return std::nullopt;
    return Size{static_cast<double>(width), static_cast<double>(height)};
}

std::optional<Size> gifSize(const Data& b) {
    if (b.size() < 10 || b[0] != 'G' || b[1] != 'I' || b[2] != 'F' || b[3] != '8' || (b[4] != '7' && b[4] != '9') ||
        b[5] != 'a') {
        return std::nullopt;
    }
    const unsigned width = b[6] | (unsigned{b[7]} << 8);
    const unsigned height = b[8] | (unsigned{b[9]} << 8);
    if (width == 0 || height == 0) return std::nullopt;
    return Size{static_cast<double>(width), static_cast<double>(height)};
}

bool isStartOfFrame(std::uint8_t marker) {
    // SOF0...SOF15 except DHT (C4), JPG (C8) and DAC (CC).
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

std::optional<Size> jpegSize(const Data& b) {
    const std::size_t n = b.size();
    if (n < 4 || b[0] != 0xFF || b[1] != 0xD8) return std::nullopt;
    std::size_t i = 2;
    while (i < n) {
        if (b[i] != 0xFF) return std::nullopt;
        while (i < n && b[i] == 0xFF) ++i; // fill bytes
        if (i >= n) return std::nullopt;
        const std::uint8_t marker = b[i++];
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue; // no length
        if (marker == 0xD9 || marker == 0xDA) return std::nullopt; // image data before any frame header
        if (n - i < 2) return std::nullopt;
        const std::size_t length = (std::size_t{b[i]} << 8) | b[i + 1];
        if (length < 2) return std::nullopt;
        if (isStartOfFrame(marker)) {
            // length, precision, height, width
            if (length < 7 || n - i < 7) return std::nullopt;
            const unsigned height = (unsigned{b[i + 3]} << 8) | b[i + 4];
            const unsigned width = (unsigned{b[i + 5]} << 8) | b[i + 6];
            if (width == 0 || height == 0) return std::nullopt;
            return Size{static_cast<double>(width), static_cast<double>(height)};
        }
        if (n - i < length) return std::nullopt;
        i += length;
    }
    return std::nullopt;
}

/// A PDF asset's page size from its first "/MediaBox [x0 y0 x1 y1]".
std::optional<Size> pdfSize(const Data& b) {
    const std::string_view text(reinterpret_cast<const char*>(b.data()), b.size());
    if (!text.starts_with("%PDF-")) return std::nullopt;
    auto at = text.find("/MediaBox");
    if (at == std::string_view::npos) return std::nullopt;
    at += 9;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\n' || text[at] == '\r')) ++at;
    if (at >= text.size() || text[at] != '[') return std::nullopt;
    ++at;
    std::array<double, 4> box{};
    for (auto& value : box) {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\n' || text[at] == '\r')) ++at;
        const auto* begin = text.data() + at;
        const auto* end = text.data() + text.size();
        auto [next, error] = std::from_chars(begin, end, value);
        if (error != std::errc{}) return std::nullopt;
        at += static_cast<std::size_t>(next - begin);
    }
    const double width = box[2] - box[0];
    const double height = box[3] - box[1];
    if (!(width > 0) || !(height > 0)) return std::nullopt;
    return Size{width, height};
}

/// The first bytes of a file: enough for every header above (a JPEG frame
/// header may follow a large metadata block).
std::optional<Data> readHead(const std::filesystem::path& path) {
    constexpr std::size_t kLimit = 1 << 20;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    Data bytes(kLimit);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

/// Where an image asset of the main bundle lies, and its scale.
struct AssetFile {
    std::filesystem::path path;
    double scale = 1;
    bool pdf = false;
};

std::optional<AssetFile> findAsset(std::string_view name) {
    auto bundle = Bundle::main();
    if (!bundle || name.empty()) return std::nullopt;
    const std::string base(name);
    struct Candidate {
        std::string file;
        std::string type;
        double scale;
    };
    std::vector<Candidate> candidates;
    const auto dot = base.rfind('.');
    if (dot != std::string::npos && dot > 0 && base.find('/', dot) == std::string::npos) {
        // A name with its extension.
        const auto stem = base.substr(0, dot);
        const double scale = stem.ends_with("@3x") ? 3 : stem.ends_with("@2x") ? 2 : 1;
        candidates.push_back({stem, base.substr(dot + 1), scale});
    }
    candidates.push_back({base, "png", 1});
    candidates.push_back({base + "@2x", "png", 2});
    candidates.push_back({base + "@3x", "png", 3});
    candidates.push_back({base, "jpg", 1});
    candidates.push_back({base, "jpeg", 1});
    candidates.push_back({base, "gif", 1});
    candidates.push_back({base, "pdf", 1});
    for (const char* folder : {"", "Images"}) {
        for (const auto& c : candidates) {
            auto path = *folder ? bundle->pathForResource(c.file, c.type, folder) : bundle->pathForResource(c.file, c.type);
            if (path && std::filesystem::is_regular_file(*path)) return AssetFile{*path, c.scale, c.type == "pdf"};
        }
    }
    return std::nullopt;
}

/// The system symbols the platform draws, sorted by name: the one list that
/// systemNamed() accepts.
constexpr std::string_view kSystemSymbols[] = {
    "arrow.clockwise", "arrow.left", "arrow.right", "arrowtriangle.down.circle", "bell", "bell.fill", "bookmark",
    "calendar", "camera", "cart", "checkmark", "checkmark.circle", "checkmark.square", "chevron.backward",
    "chevron.down", "chevron.forward", "chevron.left", "chevron.right", "chevron.up", "circle", "doc", "doc.text",
    "ellipsis", "ellipsis.circle", "envelope", "exclamationmark.circle", "exclamationmark.triangle", "eye",
    "eye.fill", "eye.slash", "eye.slash.fill", "faceid", "folder", "gear", "globe", "heart", "heart.fill", "house",
    "house.fill", "info.circle", "line.3.horizontal", "link", "list.bullet", "lock", "lock.fill", "magnifyingglass",
    "map", "message", "minus", "paperplane", "person", "person.circle", "person.crop.circle", "person.fill", "photo",
    "plus", "plus.circle", "qrcode", "qrcode.viewfinder", "questionmark.circle", "safari", "slider.horizontal.3",
    "square", "square.and.arrow.up", "square.fill", "star", "star.fill", "touchid", "trash", "tray", "wifi.slash",
    "xmark", "xmark.circle", "xmark.circle.fill"};
static_assert(std::is_sorted(std::begin(kSystemSymbols), std::end(kSystemSymbols)), "looked up by binary search");

} // namespace

std::shared_ptr<Image> Image::make(Source source, std::string name, Size size) {
    return std::shared_ptr<Image>(new Image(source, std::move(name), size));
}

std::optional<Size> Image::pixelSize(const Data& bytes) {
    if (auto size = pngSize(bytes)) return size;
    if (auto size = jpegSize(bytes)) return size;
    if (auto size = gifSize(bytes)) return size;
    return std::nullopt;
}

std::shared_ptr<Image> Image::named(std::string_view name) {
    auto asset = findAsset(name);
    if (!asset) return nullptr;
    auto bytes = readHead(asset->path);
    if (!bytes) return nullptr;
    auto size = asset->pdf ? pdfSize(*bytes) : pixelSize(*bytes);
    if (!size) return nullptr;
    auto image = make(Source::named, std::string(name),
                      Size{size->width / asset->scale, size->height / asset->scale});
    image->scale_ = asset->scale;
    return image;
}

std::shared_ptr<Image> Image::systemNamed(std::string_view name) {
    if (!std::binary_search(std::begin(kSystemSymbols), std::end(kSystemSymbols), name)) return nullptr;
    return make(Source::system, std::string(name), Size{24, 24});
}

std::shared_ptr<Image> Image::fromData(const Data& data) {
    auto size = pixelSize(data);
    if (!size) return nullptr;
    return make(Source::data, {}, *size);
}

std::shared_ptr<Image> Image::resized(Size size) const {
    const auto drawable = [](double value) { return std::isfinite(value) && value > 0; };
    if (!drawable(size.width) || !drawable(size.height)) return nullptr;
    auto copy = std::shared_ptr<Image>(new Image(*this));
    copy->size_ = size;
    return copy;
}

std::shared_ptr<Image> Image::withRenderingMode(RenderingMode mode) const {
    auto copy = std::shared_ptr<Image>(new Image(*this));
    copy->renderingMode_ = mode;
    return copy;
}

std::string Image::description() const {
    switch (source_) {
    case Source::named: return "named:" + name_;
    case Source::system: return "system:" + name_;
    case Source::data: return "data:" + dumpNumber(size_.width) + "x" + dumpNumber(size_.height);
    }
    return {};
}

} // namespace platform::ui
