#include "Platform/SDKs/AppCenter/AppCenterStore.hpp"

#include "Platform/Foundation/FileManager.hpp"

#include <fstream>
#include <iterator>
#include <system_error>

namespace platform::appcenter::store {

std::optional<std::filesystem::path> folder() {
    if (!Sandbox::root()) return std::nullopt;
    return Sandbox::cachesDirectory() / "AppCenter";
}

std::optional<std::filesystem::path> crashesFolder() {
    auto base = folder();
    if (!base) return std::nullopt;
    return *base / "crashes";
}

std::optional<Json> readJson(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto json = Json::parse(text, nullptr, false);
    if (json.is_discarded()) return std::nullopt;
    return json;
}

bool writeJson(const std::filesystem::path& path, const Json& json) {
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << json.dump();
    out.flush();
    return static_cast<bool>(out);
}

} // namespace platform::appcenter::store
