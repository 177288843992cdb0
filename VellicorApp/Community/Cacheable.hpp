#pragma once

#include "Platform/Foundation/Data.hpp"
#include "Platform/Foundation/Error.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/Url.hpp"

#include <concepts>
#include <expected>
#include <optional>

namespace vellicor {

/// A store of files by key: each key has the path of its file. Stores of raw
/// data read and write whole files.
template <class KeyType, class DataType = platform::Data>
class Cacheable {
public:
    virtual ~Cacheable() = default;

    /// The URL of the file of a key.
    virtual platform::Url dataPath(const KeyType& key) const = 0;
    /// The file manager every file-system call goes through.
    virtual platform::FileManager& fileManager() const = 0;

    /// The whole file of the key, or the read error.
    std::expected<platform::Data, platform::Error> load(const KeyType& key) const
        requires std::same_as<DataType, platform::Data>
    {
        return fileManager().contents(dataPath(key).filePath());
    }

    /// Writes the data as the file of the key, replacing any file there; none
    /// on success, else the write error. The file is replaced whole or not at
    /// all: a failed write leaves the earlier file (or none), never a part.
    std::optional<platform::Error> save(const KeyType& key, const platform::Data& data) const
        requires std::same_as<DataType, platform::Data>
    {
        auto written = fileManager().writeAtomically(dataPath(key).filePath(), data);
        if (!written) return written.error();
        return std::nullopt;
    }
};

} // namespace vellicor
