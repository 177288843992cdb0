#include "Platform/Foundation/Data.hpp"

#include <openssl/evp.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstddef>

namespace platform {

namespace {

// EVP_EncodeBlock/EVP_DecodeBlock take an int length; large buffers go
// through in slices that keep whole 3-byte (encode) or 4-character (decode)
// groups together.
constexpr std::size_t kEncodeSlice = 3 * (1u << 20);
constexpr std::size_t kDecodeSlice = 4 * (1u << 20);

bool isBase64AlphabetCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

} // namespace

Data dataFromString(std::string_view text) { return Data(text.begin(), text.end()); }

bool isValidUtf8(std::string_view text) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto length = static_cast<std::int64_t>(text.size());
    std::int64_t index = 0;
    while (index < length) {
        UChar32 c = 0;
        // U8_NEXT yields a negative value for every ill-formed sequence:
        // overlong forms, surrogates, values above U+10FFFF, stray trail
        // bytes and sequences cut short.
        U8_NEXT(bytes, index, length, c);
        if (c < 0) {
            return false;
        }
    }
    return true;
}

std::optional<std::string> utf8String(const Data& data) {
    std::string text(data.begin(), data.end());
    if (!isValidUtf8(text)) {
        return std::nullopt;
    }
    return text;
}

std::string base64Encode(const Data& data) {
    std::string encoded;
    encoded.reserve((data.size() + 2) / 3 * 4);
    std::vector<unsigned char> buffer(kEncodeSlice / 3 * 4 + 1);
    for (std::size_t offset = 0; offset < data.size(); offset += kEncodeSlice) {
        const std::size_t count = std::min(kEncodeSlice, data.size() - offset);
        const int written = EVP_EncodeBlock(buffer.data(), data.data() + offset, static_cast<int>(count));
        encoded.append(reinterpret_cast<const char*>(buffer.data()), static_cast<std::size_t>(written));
    }
    return encoded;
}

std::optional<Data> base64Decode(std::string_view text) {
    if (text.size() % 4 != 0) {
        return std::nullopt;
    }
    // At most two '=' and only at the very end. EVP_DecodeBlock would take '='
    // anywhere as a zero value and would trim surrounding white space, so the
    // text is checked here first: every other character must belong to the
    // standard alphabet.
    std::size_t padding = 0;
    while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == '=') {
        ++padding;
    }
    const std::string_view body = text.substr(0, text.size() - padding);
    if (!std::all_of(body.begin(), body.end(), isBase64AlphabetCharacter)) {
        return std::nullopt;
    }

    Data decoded(text.size() / 4 * 3);
    std::size_t produced = 0;
    for (std::size_t offset = 0; offset < text.size(); offset += kDecodeSlice) {
        const std::size_t count = std::min(kDecodeSlice, text.size() - offset);
        const int written = EVP_DecodeBlock(decoded.data() + produced,
                                            reinterpret_cast<const unsigned char*>(text.data() + offset),
                                            static_cast<int>(count));
        if (written < 0 || static_cast<std::size_t>(written) != count / 4 * 3) {
            return std::nullopt;
        }
        produced += static_cast<std::size_t>(written);
    }
    // EVP_DecodeBlock counts the padded positions as decoded zero bytes.
    decoded.resize(produced - padding);
    return decoded;
}

} // namespace platform
