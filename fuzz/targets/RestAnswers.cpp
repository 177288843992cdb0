// JSON answers of the platform's REST services that the SDK and the app read.
// The first line names the reader, the rest is the answer's body:
//   identity     the identity service's answer (the signed-in user's ids)
//   credentials  a token answer applied to credentials
//   file         a record's file (the files service)
//   support      an error page's support identifier
// Property: what is read, written as the store writes it, reads back the same.

#include "fuzz/support/FuzzSupport.hpp"

#include "VellicorApp/Community/FileModel.hpp"
#include "VellicorApp/Community/InternalServerError.hpp"

#include "Platform/Foundation/Data.hpp"
#include "Platform/Foundation/Json.hpp"
#include "Platform/SDKs/Veltrane/VQIdData.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthClient.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthCredentials.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzsupport::setUpApp();
    const auto [reader, body] = fuzzsupport::firstLine(fuzzsupport::text(data, size));
    using namespace platform::veltrane;
    if (reader == "identity") {
        if (const auto identity = VQIdData::fromIdentityAnswer(platform::dataFromString(body))) {
            const auto again = VQIdData::fromJson(identity->toJson());
            FUZZ_CHECK(again.has_value());
            FUZZ_CHECK(again->toJson() == identity->toJson());
        }
    } else if (reader == "credentials") {
        if (const auto answer = platform::parseJson(body)) {
            const VQOAuthCredentials credentials("identifier", "client-id");
            if (const auto applied = VQOAuthClient::applyTokenAnswer(*answer, credentials, {"community_url"})) {
                const auto again = VQOAuthCredentials::fromJson(applied->toJson());
                FUZZ_CHECK(again.has_value());
                FUZZ_CHECK(again->toJson() == applied->toJson());
            }
        }
    } else if (reader == "file") {
        if (const auto object = platform::parseJson(body)) {
            if (const auto file = vellicor::FileModel::parseObject(*object)) {
                const auto name = file->fileName();
                FUZZ_CHECK(!name.empty() && name != "." && name != "..");
                FUZZ_CHECK(name.find_first_of(std::string_view("/\0", 2)) == std::string::npos);
            }
        }
    } else if (reader == "support") {
        const auto id = vellicor::InternalServerError::parseSupportId(std::string(body));
        FUZZ_CHECK(id.size() <= body.size());
    }
    fuzzsupport::endInput();
    return 0;
}
