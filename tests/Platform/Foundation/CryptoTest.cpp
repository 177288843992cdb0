#include "Platform/Foundation/Crypto.hpp"

#include <gtest/gtest.h>

#include <string>

using namespace platform;

namespace {

Data fromHex(std::string_view hex) {
    Data bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    }
    return bytes;
}

void expectCryptoError(const std::expected<Data, Error>& result, long code, const char* what) {
    ASSERT_FALSE(result.has_value()) << what;
    EXPECT_EQ(result.error().domain, kCryptoKitErrorDomain) << what;
    EXPECT_EQ(result.error().code, code) << what;
}

TEST(Sha256, MatchesKnownDigests) {
    struct Case {
        std::string input;
        const char* digest;
    };
    const Case cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(hexString(sha256(c.input)), c.digest) << c.input.substr(0, 10);
        EXPECT_EQ(sha256(dataFromString(c.input)).size(), 32u);
    }
}

TEST(HexString, WritesTwoLowerCaseDigitsPerByte) {
    EXPECT_EQ(hexString({}), "");
    EXPECT_EQ(hexString({0x00, 0x0F, 0xA0, 0xFF}), "000fa0ff");
}

TEST(RandomBytes, GivesTheRequestedCountAndDiffers) {
    EXPECT_TRUE(randomBytes(0).empty());
    const Data a = randomBytes(32);
    const Data b = randomBytes(32);
    EXPECT_EQ(a.size(), 32u);
    EXPECT_NE(a, b);
}

TEST(SymmetricKey, RandomKeysAre256BitsAndDistinct) {
    const SymmetricKey a;
    const SymmetricKey b;
    EXPECT_EQ(a.bitCount(), 256u);
    EXPECT_EQ(a.bytes().size(), 32u);
    EXPECT_FALSE(a == b);
    EXPECT_EQ(SymmetricKey::random(128).bitCount(), 128u);

    const SymmetricKey fromBytes(a.bytes());
    EXPECT_TRUE(fromBytes == a);
    SymmetricKey moved = SymmetricKey(a);
    EXPECT_TRUE(moved == a);
    moved = b;
    EXPECT_TRUE(moved == b);
}

// Published GCM test cases 13 and 14 (AES-256, zero key and nonce).
TEST(AesGcm, MatchesKnownAnswerVectorsInCombinedForm) {
    const SymmetricKey key(Data(32, 0));
    const Data nonce(12, 0);

    const auto empty = aesGcmSeal({}, key, nonce);
    ASSERT_TRUE(empty.has_value());
    EXPECT_EQ(hexString(*empty), "000000000000000000000000" "530f8afbc74536b9a963b4f1c4cb738b");

    const auto block = aesGcmSeal(Data(16, 0), key, nonce);
    ASSERT_TRUE(block.has_value());
    EXPECT_EQ(hexString(*block), "000000000000000000000000"
                                 "cea7403d4d606b6e074ec5d3baf39d18"
                                 "d0d1c8a799996bf0265b98b5d48ab919");
    EXPECT_EQ(aesGcmOpen(*block, key), Data(16, 0));
    EXPECT_EQ(aesGcmOpen(fromHex("000000000000000000000000530f8afbc74536b9a963b4f1c4cb738b"), key), Data{});
}

TEST(AesGcm, RoundTripsWithAFreshNonceEachTime) {
    const SymmetricKey key;
    for (const std::size_t size : {0u, 1u, 15u, 16u, 17u, 4096u}) {
        const Data plaintext = randomBytes(size);
        const auto sealed = aesGcmSeal(plaintext, key);
        ASSERT_TRUE(sealed.has_value()) << size;
        EXPECT_EQ(sealed->size(), kAesGcmNonceSize + size + kAesGcmTagSize);
        EXPECT_EQ(aesGcmOpen(*sealed, key), plaintext) << size;
        const auto again = aesGcmSeal(plaintext, key);
        ASSERT_TRUE(again.has_value());
        EXPECT_NE(*again, *sealed) << "nonce reused for size " << size;
    }
    for (const std::size_t bits : {128u, 192u}) {
        const SymmetricKey shorter = SymmetricKey::random(bits);
        const auto sealed = aesGcmSeal(dataFromString("secret"), shorter);
        ASSERT_TRUE(sealed.has_value()) << bits;
        EXPECT_EQ(aesGcmOpen(*sealed, shorter), dataFromString("secret")) << bits;
    }
}

TEST(AesGcm, TamperingWrongKeysAndForeignDataFailCleanly) {
    const SymmetricKey key;
    const Data plaintext = dataFromString("{\"menuItems\":[]}");
    const Data sealed = *aesGcmSeal(plaintext, key);

    struct Case {
        const char* name;
        std::size_t flipAt;
    };
    const Case flips[] = {
        {"first nonce byte", 0},
        {"last nonce byte", kAesGcmNonceSize - 1},
        {"first ciphertext byte", kAesGcmNonceSize},
        {"last ciphertext byte", sealed.size() - kAesGcmTagSize - 1},
        {"first tag byte", sealed.size() - kAesGcmTagSize},
        {"last tag byte", sealed.size() - 1},
    };
    for (const auto& flip : flips) {
        Data tampered = sealed;
        tampered[flip.flipAt] ^= 0x01;
        expectCryptoError(aesGcmOpen(tampered, key), CryptoKitError::authenticationFailure, flip.name);
    }

    expectCryptoError(aesGcmOpen(sealed, SymmetricKey()), CryptoKitError::authenticationFailure, "wrong key");
    Data extended = sealed;
    extended.push_back(0);
    expectCryptoError(aesGcmOpen(extended, key), CryptoKitError::authenticationFailure, "extra byte");
    expectCryptoError(aesGcmOpen(Data(sealed.begin(), sealed.end() - 1), key), CryptoKitError::authenticationFailure,
                      "one byte cut");
    expectCryptoError(aesGcmOpen(dataFromString("{\"plain\": \"json, never encrypted\"}"), key),
                      CryptoKitError::authenticationFailure, "foreign data");

    expectCryptoError(aesGcmOpen(Data(27, 0), key), CryptoKitError::incorrectParameterSize, "27 bytes");
    expectCryptoError(aesGcmOpen({}, key), CryptoKitError::incorrectParameterSize, "empty");
    expectCryptoError(aesGcmOpen(Data(28, 0), key), CryptoKitError::authenticationFailure, "28 zero bytes");
}

TEST(AesGcm, RejectsBadKeyAndNonceSizes) {
    const SymmetricKey odd(Data(20, 1));
    expectCryptoError(aesGcmSeal(dataFromString("x"), odd), CryptoKitError::incorrectKeySize, "seal, 160-bit key");
    expectCryptoError(aesGcmOpen(Data(40, 0), odd), CryptoKitError::incorrectKeySize, "open, 160-bit key");
    expectCryptoError(aesGcmSeal(dataFromString("x"), SymmetricKey(Data{})), CryptoKitError::incorrectKeySize,
                      "empty key");
    expectCryptoError(aesGcmSeal(dataFromString("x"), SymmetricKey(), Data(8, 0)),
                      CryptoKitError::incorrectParameterSize, "8-byte nonce");
}

} // namespace
