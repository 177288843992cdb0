#include "Platform/Foundation/StringsFile.hpp"

#include "Platform/Foundation/FileManager.hpp"

#include <unicode/umachine.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <cstdint>
#include <string>

namespace platform {

namespace {

/// The Cocoa error of a property list (or strings file) that cannot be read.
Error corrupt(std::size_t line, std::string_view what) {
    std::string description = "The strings file is not valid (line " + std::to_string(line) + "): ";
    description += what;
    return Error(std::string(kCocoaErrorDomain), CocoaError::propertyListReadCorrupt,
                 {{std::string(kLocalizedDescriptionKey), std::move(description)}, {"line", line}});
}

std::size_t lineAt(std::string_view text, std::size_t offset) {
    std::size_t line = 1;
    for (std::size_t k = 0; k < offset && k < text.size(); ++k) {
        if (text[k] == '\n') {
            ++line;
        }
    }
    return line;
}

void appendCodePoint(std::string& out, UChar32 c) {
    char buffer[U8_MAX_LENGTH];
    std::int32_t length = 0;
    U8_APPEND_UNSAFE(buffer, length, c);
    out.append(buffer, static_cast<std::size_t>(length));
}

std::expected<std::string, Error> fromUtf16(std::string_view bytes, bool bigEndian) {
    if (bytes.size() % 2 != 0) {
        return std::unexpected(corrupt(1, "the UTF-16 text has an odd number of bytes"));
    }
    std::u16string units(bytes.size() / 2, u'\0');
    for (std::size_t k = 0; k < units.size(); ++k) {
        const auto first = static_cast<std::uint8_t>(bytes[2 * k]);
        const auto second = static_cast<std::uint8_t>(bytes[2 * k + 1]);
        units[k] = static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
    }
    // Find an unpaired surrogate first, to report its line.
    std::size_t line = 1;
    const auto length = static_cast<std::int32_t>(units.size());
    for (std::int32_t index = 0; index < length;) {
        UChar32 c = 0;
        U16_NEXT(units.data(), index, length, c);
        if (U_IS_SURROGATE(c)) {
            return std::unexpected(corrupt(line, "the UTF-16 text holds an unpaired surrogate"));
        }
        if (c == '\n') {
            ++line;
        }
    }
    UErrorCode status = U_ZERO_ERROR;
    std::int32_t needed = 0;
    u_strToUTF8(nullptr, 0, &needed, units.data(), length, &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) {
        return std::unexpected(corrupt(1, "the UTF-16 text cannot be converted"));
    }
    std::string text(static_cast<std::size_t>(needed), '\0');
    status = U_ZERO_ERROR;
    u_strToUTF8(text.data(), needed, &needed, units.data(), length, &status);
    if (U_FAILURE(status)) {
        return std::unexpected(corrupt(1, "the UTF-16 text cannot be converted"));
    }
    return text;
}

/// The file's text as UTF-8, without a byte-order mark.
std::expected<std::string, Error> decode(std::string_view bytes) {
    if (bytes.starts_with("\xFF\xFE")) {
        return fromUtf16(bytes.substr(2), false);
    }
    if (bytes.starts_with("\xFE\xFF")) {
        return fromUtf16(bytes.substr(2), true);
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
    } else if (bytes.size() >= 2 && bytes.size() % 2 == 0 && (bytes[0] == '\0') != (bytes[1] == '\0')) {
        // UTF-16 without a mark: an ASCII first character shows the byte order.
        return fromUtf16(bytes, bytes[0] == '\0');
    }
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const auto length = static_cast<std::int64_t>(bytes.size());
    for (std::int64_t index = 0; index < length;) {
        const std::int64_t start = index;
        UChar32 c = 0;
        U8_NEXT(data, index, length, c);
        if (c < 0) {
            return std::unexpected(corrupt(lineAt(bytes, static_cast<std::size_t>(start)), "the text is not UTF-8"));
        }
    }
    return std::string(bytes);
}

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    std::expected<StringsFile::Table, Error> run() {
        StringsFile::Table table;
        for (;;) {
            if (auto skipped = skip(); !skipped) {
                return std::unexpected(skipped.error());
            }
            if (atEnd()) {
                return table;
            }
            auto key = token("a key");
            if (!key) {
                return std::unexpected(key.error());
            }
            const std::size_t keyLine = line_;
            if (auto skipped = skip(); !skipped) {
                return std::unexpected(skipped.error());
            }
            if (peek(';')) {
                ++pos_;
                table[*key] = *key;
                continue;
            }
            if (!peek('=')) {
                return std::unexpected(corrupt(keyLine, "expected '=' or ';' after \"" + *key + "\""));
            }
            ++pos_;
            if (auto skipped = skip(); !skipped) {
                return std::unexpected(skipped.error());
            }
            auto value = token("the value of \"" + *key + "\"");
            if (!value) {
                return std::unexpected(value.error());
            }
            const std::size_t valueLine = line_;
            if (auto skipped = skip(); !skipped) {
                return std::unexpected(skipped.error());
            }
            if (!peek(';')) {
                return std::unexpected(corrupt(valueLine, "expected ';' after the value of \"" + *key + "\""));
            }
            ++pos_;
            table[std::move(*key)] = std::move(*value);
        }
    }

private:
    bool atEnd() const { return pos_ >= text_.size(); }
    bool peek(char c) const { return pos_ < text_.size() && text_[pos_] == c; }
    bool peek(std::string_view s) const { return text_.substr(pos_).starts_with(s); }

    static bool isUnquoted(char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$' ||
               c == '+' || c == '/' || c == ':' || c == '.' || c == '-';
    }

    /// Skips white space and comments.
    std::expected<void, Error> skip() {
        while (!atEnd()) {
            const char c = text_[pos_];
            if (c == '\n') {
                ++line_;
                ++pos_;
            } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
                ++pos_;
            } else if (peek("/*")) {
                const std::size_t end = text_.find("*/", pos_ + 2);
                if (end == std::string_view::npos) {
                    return std::unexpected(corrupt(line_, "unterminated comment"));
                }
                for (std::size_t k = pos_; k < end; ++k) {
                    line_ += text_[k] == '\n' ? 1 : 0;
                }
                pos_ = end + 2;
            } else if (peek("//")) {
                const std::size_t end = text_.find('\n', pos_);
                pos_ = end == std::string_view::npos ? text_.size() : end;
            } else {
                break;
            }
        }
        return {};
    }

    std::expected<std::string, Error> token(const std::string& what) {
        if (peek('"')) {
            return quoted();
        }
        const std::size_t start = pos_;
        while (!atEnd() && isUnquoted(text_[pos_]) && !peek("//") && !peek("/*")) {
            ++pos_;
        }
        if (pos_ == start) {
            return std::unexpected(corrupt(line_, atEnd() ? "the file ends where " + what + " should be"
                                                          : "unexpected character where " + what + " should be"));
        }
        return std::string(text_.substr(start, pos_ - start));
    }

    std::expected<std::string, Error> quoted() {
        const std::size_t startLine = line_;
        ++pos_;
        std::string out;
        for (;;) {
            if (atEnd()) {
                return std::unexpected(corrupt(startLine, "unterminated string"));
            }
            const char c = text_[pos_++];
            if (c == '"') {
                return out;
            }
            if (c == '\n') {
                ++line_;
            }
            if (c != '\\') {
                out.push_back(c);
                continue;
            }
            if (atEnd()) {
                return std::unexpected(corrupt(startLine, "unterminated string"));
            }
            const char e = text_[pos_++];
            switch (e) {
            case 'n': out.push_back('\n'); break;
            case 't': out.push_back('\t'); break;
            case 'r': out.push_back('\r'); break;
            case 'a': out.push_back('\a'); break;
            case 'b': out.push_back('\b'); break;
            case 'f': out.push_back('\f'); break;
            case 'v': out.push_back('\v'); break;
            case 'U':
            case 'u': {
                auto unit = hexUnit();
                if (!unit) {
                    return std::unexpected(unit.error());
                }
                UChar32 c32 = *unit;
                if (U16_IS_LEAD(c32) && (peek("\\U") || peek("\\u"))) {
                    const std::size_t save = pos_;
                    pos_ += 2;
                    auto trail = hexUnit();
                    if (trail && U16_IS_TRAIL(*trail)) {
                        c32 = U16_GET_SUPPLEMENTARY(c32, *trail);
                    } else {
                        pos_ = save;
                    }
                }
                if (U_IS_SURROGATE(c32)) {
                    return std::unexpected(corrupt(line_, "an escape names an unpaired UTF-16 surrogate"));
                }
                appendCodePoint(out, c32);
                break;
            }
            default:
                if (e >= '0' && e <= '7') {
                    UChar32 value = e - '0';
                    for (int k = 0; k < 2 && !atEnd() && text_[pos_] >= '0' && text_[pos_] <= '7'; ++k) {
                        value = value * 8 + (text_[pos_++] - '0');
                    }
                    appendCodePoint(out, value);
                } else {
                    if (e == '\n') {
                        ++line_;
                    }
                    out.push_back(e);
                }
            }
        }
    }

    /// One to four hexadecimal digits after \U.
    std::expected<UChar32, Error> hexUnit() {
        UChar32 value = 0;
        int digits = 0;
        while (digits < 4 && !atEnd()) {
            const char c = text_[pos_];
            int digit = -1;
            if (c >= '0' && c <= '9') digit = c - '0';
            else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
            if (digit < 0) {
                break;
            }
            value = value * 16 + digit;
            ++digits;
            ++pos_;
        }
        if (digits == 0) {
            return std::unexpected(corrupt(line_, "a \\U escape without hexadecimal digits"));
        }
        return value;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t line_ = 1;
};

} // namespace

std::expected<StringsFile::Table, Error> StringsFile::parse(std::string_view bytes) {
    auto text = decode(bytes);
    if (!text) {
        return std::unexpected(text.error());
    }
    return Parser(*text).run();
}

std::expected<StringsFile::Table, Error> StringsFile::parse(const Data& bytes) {
    return parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::expected<StringsFile::Table, Error> StringsFile::read(const std::filesystem::path& path) {
    auto bytes = FileManager::defaultManager().contents(path);
    if (!bytes) {
        return std::unexpected(bytes.error());
    }
    return parse(*bytes);
}

} // namespace platform
