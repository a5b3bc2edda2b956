// The skin stream's read, write, growth and seek rules, and the LZO container.
#include "skin/file/SkinStream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

using namespace glint;

namespace {

std::vector<uint8_t> Pattern(size_t n)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = uint8_t((i * 7) ^ (i >> 5));
    return v;
}

TEST(SkinStream, ReadsAreShortAtTheEndAndLittleEndian)
{
    const uint8_t bytes[] = {0x78, 0x56, 0x34, 0x12, 0xAA, 0xBB};
    CSkinStream s(bytes, 6, 100);
    EXPECT_EQ(s.Capacity(), 6u);
    EXPECT_EQ(s.GrowStep(), 100u);
    EXPECT_EQ(s.ReadU32(), 0x12345678u);
    EXPECT_EQ(s.ReadU32(), 0u); // only two bytes were left
    EXPECT_EQ(s.Position(), 6u);
    s.Seek(2, CSkinStream::FROM_START);
    uint8_t out[8] = {};
    EXPECT_EQ(s.Read(out, 8), 4u);
    EXPECT_EQ(out[3], 0xBB);
    EXPECT_EQ(s.Read(out, 4), 0u);
    EXPECT_EQ(s.Position(), 6u);

    CSkinStream empty;
    EXPECT_EQ(empty.Read(out, 4), 0u);
    EXPECT_EQ(empty.ReadU32(), 0u);
    EXPECT_EQ(empty.Data(), nullptr);
}

TEST(SkinStream, SeeksWrapBelowZeroAndClampToSize)
{
    const std::vector<uint8_t> bytes = Pattern(20);
    CSkinStream s(bytes.data(), 20, 10);
    EXPECT_EQ(s.Seek(3, CSkinStream::FROM_START), 3u);
    // -5 from 3 wraps around to a huge unsigned position, clamped to the end.
    EXPECT_EQ(s.Seek(-5, CSkinStream::FROM_CURRENT), 20u);
    EXPECT_EQ(s.Seek(10, CSkinStream::FROM_END), 20u);
    EXPECT_EQ(s.Seek(-4, CSkinStream::FROM_END), 16u);
    EXPECT_EQ(s.Seek(2, CSkinStream::FROM_CURRENT), 18u);
    EXPECT_EQ(s.Seek(100, CSkinStream::FROM_START), 20u);
    s.Seek(7, CSkinStream::FROM_START);
    EXPECT_EQ(s.Seek(1, 3), 7u); // unknown origin: the cursor stays
    EXPECT_EQ(s.Seek(1, -1), 7u);
}

TEST(SkinStream, WritesGrowByWholeStepsCoveringTheShortfall)
{
    const std::vector<uint8_t> bytes = Pattern(64);
    const struct {
        uint32_t size, step, at, write, capacity;
    } cases[] = {
        {64, 10240, 64, 1, 64 + 10240},           // full: exactly one step
        {10, 8, 4, 30, 10 + 32},                   // room 6, shortfall 24: (24 / 8 + 1) steps of 8
        {4, 0, 4, 1, 4 + SKIN_STREAM_GROW_STEP},   // step 0 would divide by zero: the usual step
        {16, 10, 2, 2, 16},                        // inside: no growth, the size stays
    };
    for (const auto& c : cases) {
        CSkinStream s(bytes.data(), c.size, c.step);
        s.Seek(int32_t(c.at), CSkinStream::FROM_START);
        const std::vector<uint8_t> data = Pattern(c.write + 100);
        ASSERT_EQ(s.Write(data.data() + 100, c.write), c.write);
        EXPECT_EQ(s.Capacity(), c.capacity) << c.size << " + " << c.write;
        EXPECT_EQ(s.Size(), std::max(c.size, c.at + c.write));
        EXPECT_EQ(s.Position(), c.at + c.write);
        EXPECT_EQ(std::memcmp(s.Data(), bytes.data(), c.at), 0) << "contents kept across the reallocation";
        EXPECT_EQ(std::memcmp(s.Data() + c.at, data.data() + 100, c.write), 0);
        if (c.at + c.write < c.size) {
            EXPECT_EQ(s.Data()[c.size - 1], bytes[c.size - 1]);
        }
    }
}

TEST(SkinStream, FirstWriteAllocatesExactlyItsBytesAlsoAfterReset)
{
    const std::vector<uint8_t> bytes = Pattern(9);
    CSkinStream fresh(100);
    EXPECT_EQ(fresh.Write(bytes.data(), 7), 7u);
    EXPECT_EQ(fresh.Capacity(), 7u);
    EXPECT_EQ(fresh.WriteU32(0x01020304), 4u);
    EXPECT_EQ(fresh.Capacity(), 107u);
    fresh.Seek(7, CSkinStream::FROM_START);
    EXPECT_EQ(fresh.ReadU32(), 0x01020304u);

    CSkinStream s(bytes.data(), 9, 10);
    s.Seek(5, CSkinStream::FROM_START);
    ASSERT_TRUE(s.Allocate(50));
    EXPECT_EQ(s.Size(), 0u);
    EXPECT_EQ(s.Position(), 0u);
    EXPECT_EQ(s.Capacity(), 50u);
    s.Reset();
    EXPECT_EQ(s.Data(), nullptr);
    EXPECT_EQ(s.Capacity(), 0u);
    EXPECT_EQ(s.GrowStep(), 0u);
    uint8_t out[9] = {};
    EXPECT_EQ(s.Read(out, 4), 0u);
    EXPECT_EQ(s.Seek(3, CSkinStream::FROM_START), 0u);
    // The second write does not fit and must grow although Reset left the grow step at 0.
    ASSERT_EQ(s.Write(bytes.data(), 4), 4u);
    ASSERT_EQ(s.Write(bytes.data() + 4, 5), 5u);
    EXPECT_EQ(s.Capacity(), 4u + SKIN_STREAM_GROW_STEP);
    s.Seek(0, CSkinStream::FROM_START);
    ASSERT_EQ(s.Read(out, 9), 9u);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 9), bytes);
}

// ---- container ----

std::vector<uint8_t> Compressed(const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> container;
    EXPECT_TRUE(CompressContainer(data.data(), uint32_t(data.size()), container));
    return container;
}

TEST(SkinContainer, RoundTripsAppendTheExpandedBytes)
{
    // Patterned, empty, and zeros that stay within the expansion bound.
    for (const std::vector<uint8_t>& data : {Pattern(50000), std::vector<uint8_t>(), std::vector<uint8_t>(4 << 20)}) {
        const std::vector<uint8_t> container = Compressed(data);
        CSkinStream target;
        const uint8_t prefix[] = {9, 9};
        target.Write(prefix, 2);
        ASSERT_TRUE(ExpandContainer(container.data(), uint32_t(container.size()), target)) << data.size();
        ASSERT_EQ(target.Size(), 2u + data.size());
        EXPECT_TRUE(std::equal(data.begin(), data.end(), target.Data() + 2));
    }
}

TEST(SkinContainer, DamagedContainersAreRejectedAndWriteNothing)
{
    const std::vector<uint8_t> good = Compressed(Pattern(1000));
    std::vector<std::vector<uint8_t>> bad;
    // The announced length must match what expands; 4 GB is refused before allocating.
    for (uint32_t lie : {999u, 1001u, 1500u, 0xFFFFFFF0u}) {
        bad.push_back(good);
        std::memcpy(bad.back().data(), &lie, 4);
    }
    bad.push_back(good);
    bad.back().push_back(0); // trailing bytes after the end marker
    for (size_t cut : {size_t(1), size_t(3), good.size() / 2, good.size() - 3, good.size()})
        bad.emplace_back(good.begin(), good.end() - ptrdiff_t(cut)); // truncated
    for (size_t i = 0; i < bad.size(); ++i) {
        CSkinStream target;
        EXPECT_FALSE(ExpandContainer(bad[i].data(), uint32_t(bad[i].size()), target)) << "case " << i;
        EXPECT_EQ(target.Size(), 0u) << "case " << i;
    }
    CSkinStream target;
    EXPECT_FALSE(ExpandContainer(nullptr, 0, target));
}

} // namespace
