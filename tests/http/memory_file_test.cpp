#include "platform/memory_file.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace {

using platform::MemoryFile;
using Array = MemoryFile::ByteStrings;

std::string littleEndian(std::uint64_t value, int width) {
    std::string out;
    for (int i = 0; i < width; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

// The stored bytes of an array, as the file itself produced them.
std::string storedForm(const Array& array) {
    auto file = MemoryFile::open();
    file->writeArray(array);
    file->moveToStart();
    return file->readBytes(file->size()).value();
}

std::optional<Array> readFromBytes(const std::string& bytes) {
    auto file = MemoryFile::open();
    file->writeBytes(bytes);
    file->moveToStart();
    return file->readArray();
}

struct RoundTripCase {
    const char* name;
    Array array;
};

class MemoryFileRoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(MemoryFileRoundTrip, ReadFromTheStartGivesBackEveryMemberWhole) {
    auto file = MemoryFile::open();
    ASSERT_TRUE(file->writeArray(GetParam().array));
    file->moveToStart();
    std::optional<Array> back = file->readArray();
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, GetParam().array);
    // The read moved past the array; nothing follows it.
    EXPECT_FALSE(file->readArray().has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Arrays, MemoryFileRoundTrip,
    testing::Values(RoundTripCase{"NoMembers", {}}, RoundTripCase{"OneEmptyMember", {""}},
                    RoundTripCase{"SevenEmptyMembers", Array(7)},
                    RoundTripCase{"ZeroBytesInsideAndAtTheEnds",
                                  {std::string("\0a\0", 3), std::string(5, '\0'), "x"}},
                    RoundTripCase{"AllByteValues", {[] {
                                      std::string all;
                                      for (int b = 0; b < 256; ++b)
                                          all += static_cast<char>(b);
                                      return all;
                                  }()}},
                    RoundTripCase{"BigMemberBetweenSmallOnes",
                                  {"GET", std::string(3 * 1024 * 1024 + 7, 'b'), "", "\xD5\xE6"}},
                    RoundTripCase{"ManyMembers", Array(10000, "m")}),
    [](const testing::TestParamInfo<RoundTripCase>& info) { return info.param.name; });

TEST(MemoryFile, WritingAtTheStartReplacesWhatTheNextReadReturns) {
    const Array longer{"http://a.example/", "GET", "", "", std::string(4096, 'p'), "c=1", "y"};
    const Array shorter{"body", "k=v;"};
    for (const auto& [first, second] : {std::pair{longer, shorter}, std::pair{shorter, longer}}) {
        auto file = MemoryFile::open();
        ASSERT_TRUE(file->writeArray(first));
        file->moveToStart();
        ASSERT_TRUE(file->writeArray(second));
        file->moveToStart();
        EXPECT_EQ(file->readArray(), second);
    }
}

TEST(MemoryFile, ArraysWrittenOneAfterAnotherAreReadInOrder) {
    auto file = MemoryFile::open();
    ASSERT_TRUE(file->writeArray({"one"}));
    ASSERT_TRUE(file->writeArray({"two", ""}));
    file->moveToStart();
    EXPECT_EQ(file->readArray(), Array{"one"});
    EXPECT_EQ(file->readArray(), (Array{"two", ""}));
}

TEST(MemoryFile, EveryTruncationOfAStoredArrayFailsToRead) {
    const std::string stored = storedForm({"url", std::string("a\0b", 3), "", "tail"});
    for (std::size_t length = 0; length < stored.size(); ++length)
        EXPECT_FALSE(readFromBytes(stored.substr(0, length)).has_value()) << "length " << length;
    EXPECT_TRUE(readFromBytes(stored).has_value());
}

struct GarbledCase {
    const char* name;
    std::string bytes;
};

class MemoryFileGarbled : public testing::TestWithParam<GarbledCase> {};

// Declared sizes far beyond the data must fail cleanly, never try to allocate them.
TEST_P(MemoryFileGarbled, ReadFailsAndLeavesThePositionWhereItWas) {
    auto file = MemoryFile::open();
    file->writeBytes(GetParam().bytes);
    file->moveToStart();
    EXPECT_FALSE(file->readArray().has_value());
    // Still at the start: the same bytes read raw from here.
    EXPECT_EQ(file->readBytes(GetParam().bytes.size()), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, MemoryFileGarbled,
    testing::Values(
        GarbledCase{"HugeMemberCount", littleEndian(0xFFFFFFFF, 4) + littleEndian(1, 8) + "x"},
        GarbledCase{"MoreMembersThanLengthFields",
                    littleEndian(3, 4) + littleEndian(0, 8) + littleEndian(0, 8)},
        GarbledCase{"HugeMemberLength", littleEndian(1, 4) + littleEndian(~0ULL, 8) + "abc"},
        GarbledCase{"LengthPastTheEndByOne", littleEndian(1, 4) + littleEndian(4, 8) + "abc"},
        GarbledCase{"SecondMemberCutShort",
                    littleEndian(2, 4) + littleEndian(1, 8) + "a" + littleEndian(1u << 31, 8)},
        GarbledCase{"ShortCount", std::string("\x01\x00", 2)}),
    [](const testing::TestParamInfo<GarbledCase>& info) { return info.param.name; });

TEST(MemoryFile, AClosedFileNeitherReadsNorWrites) {
    auto file = MemoryFile::open();
    ASSERT_TRUE(file->writeArray({"kept"}));
    file->close();
    file->moveToStart();
    EXPECT_FALSE(file->readArray().has_value());
    EXPECT_FALSE(file->writeArray({"late"}));
    EXPECT_FALSE(file->isOpen());
    EXPECT_EQ(file->size(), 0u);
}

// One thread keeps rewriting the array at the start while another keeps reading from the start:
// a read sees a whole array that was written, or fails because the writer moved the position,
// never a mixture.
TEST(MemoryFile, ConcurrentWritesAndReadsNeverSeeAHalfWrittenArray) {
    const Array a{std::string(5000, 'a'), "1"};
    const Array b{"b", std::string(7000, 'b'), "2"};
    auto file = MemoryFile::open();
    ASSERT_TRUE(file->writeArray(a));
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; !stop; ++i) {
            file->moveToStart();
            file->writeArray(i % 2 == 0 ? b : a);
        }
    });
    for (int i = 0; i < 2000; ++i) {
        file->moveToStart();
        if (auto read = file->readArray()) {
            EXPECT_TRUE(*read == a || *read == b);
        }
    }
    stop = true;
    writer.join();
    file->moveToStart();
    auto last = file->readArray();
    ASSERT_TRUE(last.has_value());
    EXPECT_TRUE(*last == a || *last == b);
}

}  // namespace
