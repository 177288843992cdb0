#include "Platform/UI/Image.hpp"

#include "Platform/Foundation/Bundle.hpp"

#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <string>
#include <vector>

using namespace platform::ui;
using platform::Data;

namespace {

void put32(Data& d, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) d.push_back(static_cast<std::uint8_t>(v >> shift));
}

/// The signature and IHDR chunk of a PNG (and a little more, as a file has).
Data png(std::uint32_t width, std::uint32_t height) {
    Data d{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    put32(d, 13);
    d.insert(d.end(), {'I', 'H', 'D', 'R'});
    put32(d, width);
    put32(d, height);
    d.insert(d.end(), {8, 6, 0, 0, 0, 0, 0, 0, 0}); // depth, colour type, ..., CRC
    return d;
}

/// A JPEG start, an APP0 segment, a quantisation table and a baseline frame header.
Data jpeg(std::uint16_t width, std::uint16_t height, std::uint8_t frameMarker = 0xC0) {
    Data d{0xFF, 0xD8};
    d.insert(d.end(), {0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
    d.insert(d.end(), {0xFF, 0xDB, 0x00, 0x04, 0x00, 0x01});
    d.insert(d.end(), {0xFF, 0xFF, 0xFF, frameMarker, 0x00, 0x11, 8}); // with fill bytes before the marker
    d.push_back(static_cast<std::uint8_t>(height >> 8));
    d.push_back(static_cast<std::uint8_t>(height));
    d.push_back(static_cast<std::uint8_t>(width >> 8));
    d.push_back(static_cast<std::uint8_t>(width));
    d.insert(d.end(), {3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1});
    return d;
}

Data gif(std::uint16_t width, std::uint16_t height, char version = '9') {
    Data d{'G', 'I', 'F', '8', static_cast<std::uint8_t>(version), 'a'};
    d.push_back(static_cast<std::uint8_t>(width));
    d.push_back(static_cast<std::uint8_t>(width >> 8));
    d.push_back(static_cast<std::uint8_t>(height));
    d.push_back(static_cast<std::uint8_t>(height >> 8));
    d.insert(d.end(), {0xF7, 0, 0});
    return d;
}

Data truncated(Data d, std::size_t size) {
    d.resize(size);
    return d;
}

Data text(const std::string& s) { return Data(s.begin(), s.end()); }

} // namespace

TEST(ImageTest, SizesFromHeadersOrNoneForBadBytes) {
    struct Case {
        const char* name;
        Data bytes;
        std::optional<Size> size;
    };
    Data jpegWithBadLength = jpeg(10, 10);
    jpegWithBadLength[5] = 0x01; // APP0 length 1: shorter than its own length field
    Data jpegSegmentPastEnd = truncated(jpeg(10, 10), 8);
    Data jpegScanFirst{0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x08, 0, 0, 0, 0, 0, 0};
    const Case cases[] = {
        {"png", png(640, 480), Size{640, 480}},
        {"png of the largest size", png(0x7FFFFFFF, 1), Size{2147483647.0, 1}},
        {"png too large", png(0x80000000u, 1), std::nullopt},
        {"png with zero width", png(0, 10), std::nullopt},
        {"png cut inside the height", truncated(png(640, 480), 23), std::nullopt},
        {"png signature only", truncated(png(640, 480), 8), std::nullopt},
        {"baseline jpeg", jpeg(1024, 768), Size{1024, 768}},
        {"progressive jpeg", jpeg(300, 200, 0xC2), Size{300, 200}},
        {"jpeg cut inside the frame header", truncated(jpeg(1024, 768), 32), std::nullopt},
        {"jpeg cut before the frame", truncated(jpeg(1024, 768), 26), std::nullopt},
        {"jpeg with a too short segment", jpegWithBadLength, std::nullopt},
        {"jpeg segment past the end", jpegSegmentPastEnd, std::nullopt},
        {"jpeg image data before any frame", jpegScanFirst, std::nullopt},
        {"jpeg with zero height", jpeg(10, 0), std::nullopt},
        {"gif89a", gif(16, 9), Size{16, 9}},
        {"gif87a", gif(1, 65535, '7'), Size{1, 65535}},
        {"gif of another version", gif(16, 9, '8'), std::nullopt},
        {"gif cut short", truncated(gif(16, 9), 9), std::nullopt},
        {"empty", Data{}, std::nullopt},
        {"text", text("<html>not an image</html>"), std::nullopt},
        {"start of a jpeg only", Data{0xFF, 0xD8}, std::nullopt},
        {"fill bytes to the end", Data{0xFF, 0xD8, 0xFF, 0xFF, 0xFF}, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Image::pixelSize(c.bytes), c.size) << c.name;
        auto image = Image::fromData(c.bytes);
        EXPECT_EQ(image != nullptr, c.size.has_value()) << c.name;
        if (image && c.size) {
            EXPECT_EQ(image->size(), *c.size) << c.name;
            EXPECT_EQ(image->source(), Image::Source::data) << c.name;
        }
    }
    EXPECT_EQ(Image::fromData(png(3, 2))->description(), "data:3x2");
}

class NamedImageTest : public ::testing::Test {
protected:
    std::filesystem::path bundle;
    void SetUp() override {
        bundle = testsupport::sandboxRoot() / "App.app";
        std::filesystem::create_directories(bundle / "Images");
        platform::Bundle::setMainBundlePath(bundle);
    }
    void write(const std::string& relative, const Data& bytes) {
        std::ofstream out(bundle / relative, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
};

TEST_F(NamedImageTest, FindsAssetsInTheBundleAndImagesFolderInPoints) {
    write("logo.png", png(120, 40));
    write("Images/icon@2x.png", png(48, 48));
    write("Images/hero@3x.png", png(300, 90));
    write("banner.jpg", jpeg(800, 200));
    write("Images/anim.gif", gif(10, 20));
    write("Images/vector.pdf", text("%PDF-1.4\n1 0 obj << /Type /Page /MediaBox [0 0 24.5 30] >>"));
    write("broken.png", text("not a png at all"));
    write("Images/flat.pdf", text("%PDF-1.4\nno box"));

    struct Case {
        const char* name;
        std::optional<Size> size;
        double scale;
    };
    const Case cases[] = {
        {"logo", Size{120, 40}, 1},
        {"icon", Size{24, 24}, 2},
        {"hero", Size{100, 30}, 3},
        {"banner", Size{800, 200}, 1},
        {"anim", Size{10, 20}, 1},
        {"vector", Size{24.5, 30}, 1},
        {"logo.png", Size{120, 40}, 1},
        {"broken", std::nullopt, 0},
        {"flat", std::nullopt, 0},
        {"missing", std::nullopt, 0},
        {"", std::nullopt, 0},
    };
    for (const auto& c : cases) {
        auto image = Image::named(c.name);
        ASSERT_EQ(image != nullptr, c.size.has_value()) << c.name;
        if (!image) continue;
        EXPECT_EQ(image->size(), *c.size) << c.name;
        EXPECT_EQ(image->scale(), c.scale) << c.name;
        EXPECT_EQ(image->description(), std::string("named:") + c.name) << c.name;
    }
}

TEST(SystemImageTest, KnownSymbolsOnly) {
    for (const char* name : {"xmark", "chevron.left", "gear", "qrcode.viewfinder", "ellipsis.circle", "cart"}) {
        auto image = Image::systemNamed(name);
        ASSERT_NE(image, nullptr) << name;
        EXPECT_EQ(image->size(), (Size{24, 24})) << name;
        EXPECT_EQ(image->description(), std::string("system:") + name);
    }
    EXPECT_EQ(Image::systemNamed("xmark.bogus"), nullptr);
    EXPECT_EQ(Image::systemNamed(""), nullptr);

    auto tab = Image::systemNamed("house")->resized({30, 30})->withRenderingMode(Image::RenderingMode::alwaysTemplate);
    EXPECT_EQ(tab->size(), (Size{30, 30}));
    EXPECT_EQ(tab->name(), "house");
    EXPECT_EQ(tab->renderingMode(), Image::RenderingMode::alwaysTemplate);

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    for (const Size size : {Size{0, 30}, Size{30, 0}, Size{-1, 30}, Size{30, nan}, Size{infinity, 30}}) {
        EXPECT_EQ(Image::systemNamed("house")->resized(size), nullptr) << size.width << "x" << size.height;
    }
}
