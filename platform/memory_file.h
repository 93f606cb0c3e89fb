// An in-memory file that two threads can share: the window thread hands a request to a worker
// thread in it and reads the results back from it. It stores arrays of byte strings.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Stored form of one array, all integers little-endian and fixed-width:
//   u32 member count, then for each member: u64 byte length, the bytes.
// Every operation takes the file's lock, so threads that share a file never corrupt it; after
// close() every operation fails and the contents are released.
class MemoryFile {
  public:
    using ByteStrings = std::vector<std::string>;

    // A new, empty file at position 0.
    static std::shared_ptr<MemoryFile> open();

    MemoryFile() = default;
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    // Writes the array at the current position, overwriting what is there and growing the file
    // as needed; the position moves past it. False when the file is closed or the array is too
    // large for the stored form.
    bool writeArray(const ByteStrings& array);
    // Reads one array at the current position and moves past it. std::nullopt (position
    // unchanged) when the file is closed or the bytes there are not a whole array.
    std::optional<ByteStrings> readArray();

    // Raw access for callers that keep other data in the file.
    bool writeBytes(std::string_view bytes);
    std::optional<std::string> readBytes(std::size_t count);

    void moveToStart();
    std::size_t size() const;
    void close();
    bool isOpen() const;

  private:
    bool writeLocked(std::string_view bytes);

    mutable std::mutex mutex_;
    std::string data_;
    std::size_t position_ = 0;
    bool open_ = true;
};

}  // namespace platform
