#include "platform/memory_file.h"

#include <cstdint>
#include <limits>

namespace platform {
namespace {

constexpr std::size_t kCountBytes = 4;
constexpr std::size_t kLengthBytes = 8;

void appendLittleEndian(std::string& out, std::uint64_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint64_t readLittleEndian(std::string_view bytes) {
    std::uint64_t value = 0;
    for (std::size_t i = bytes.size(); i > 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[i - 1]);
    return value;
}

// Parses one array from the front of `in`; on success `consumed` is its stored length. Every
// declared count and length is checked against the bytes that are really there before anything
// is allocated, so garbled data cannot ask for more memory than the file holds.
std::optional<MemoryFile::ByteStrings> parseArray(std::string_view in, std::size_t& consumed) {
    if (in.size() < kCountBytes)
        return std::nullopt;
    std::uint64_t count = readLittleEndian(in.substr(0, kCountBytes));
    std::string_view rest = in.substr(kCountBytes);
    if (count > rest.size() / kLengthBytes)
        return std::nullopt;
    MemoryFile::ByteStrings array;
    array.reserve(static_cast<std::size_t>(count));
    for (std::uint64_t i = 0; i < count; ++i) {
        if (rest.size() < kLengthBytes)
            return std::nullopt;
        std::uint64_t length = readLittleEndian(rest.substr(0, kLengthBytes));
        rest.remove_prefix(kLengthBytes);
        if (length > rest.size())
            return std::nullopt;
        array.emplace_back(rest.substr(0, static_cast<std::size_t>(length)));
        rest.remove_prefix(static_cast<std::size_t>(length));
    }
    consumed = in.size() - rest.size();
    return array;
}

}  // namespace

std::shared_ptr<MemoryFile> MemoryFile::open() {
    return std::make_shared<MemoryFile>();
}

bool MemoryFile::writeArray(const ByteStrings& array) {
    if (array.size() > std::numeric_limits<std::uint32_t>::max())
        return false;
    std::size_t total = kCountBytes;
    for (const auto& member : array)
        total += kLengthBytes + member.size();
    std::string stored;
    stored.reserve(total);
    appendLittleEndian(stored, array.size(), kCountBytes);
    for (const auto& member : array) {
        appendLittleEndian(stored, member.size(), kLengthBytes);
        stored += member;
    }
    std::lock_guard lock(mutex_);
    return writeLocked(stored);
}

std::optional<MemoryFile::ByteStrings> MemoryFile::readArray() {
    std::lock_guard lock(mutex_);
    if (!open_ || position_ > data_.size())
        return std::nullopt;
    std::size_t consumed = 0;
    auto array = parseArray(std::string_view(data_).substr(position_), consumed);
    if (array)
        position_ += consumed;
    return array;
}

bool MemoryFile::writeBytes(std::string_view bytes) {
    std::lock_guard lock(mutex_);
    return writeLocked(bytes);
}

std::optional<std::string> MemoryFile::readBytes(std::size_t count) {
    std::lock_guard lock(mutex_);
    if (!open_ || position_ > data_.size())
        return std::nullopt;
    std::string bytes = data_.substr(position_, count);
    position_ += bytes.size();
    return bytes;
}

bool MemoryFile::writeLocked(std::string_view bytes) {
    if (!open_)
        return false;
    if (data_.size() < position_ + bytes.size())
        data_.resize(position_ + bytes.size());
    data_.replace(position_, bytes.size(), bytes);
    position_ += bytes.size();
    return true;
}

void MemoryFile::moveToStart() {
    std::lock_guard lock(mutex_);
    position_ = 0;
}

std::size_t MemoryFile::size() const {
    std::lock_guard lock(mutex_);
    return data_.size();
}

void MemoryFile::close() {
    std::lock_guard lock(mutex_);
    open_ = false;
    position_ = 0;
    std::string().swap(data_);
}

bool MemoryFile::isOpen() const {
    std::lock_guard lock(mutex_);
    return open_;
}

}  // namespace platform
