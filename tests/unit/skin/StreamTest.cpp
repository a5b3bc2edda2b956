// The skin stream's read, write, growth and seek rules, and the LZO container.
#include "skin/file/SkinStream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
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

TEST(SkinStream, ConstructionCopiesAndStartsAtZero)
{
    const uint8_t bytes[] = {1, 2, 3, 4, 5};
    CSkinStream s(bytes, 5, 100);
    EXPECT_EQ(s.Size(), 5u);
    EXPECT_EQ(s.Capacity(), 5u);
    EXPECT_EQ(s.Position(), 0u);
    EXPECT_EQ(s.GrowStep(), 100u);
    EXPECT_EQ(std::memcmp(s.Data(), bytes, 5), 0);
}

TEST(SkinStream, ReadIsShortAtTheEndAndKeepsTheCursorAtSize)
{
    const uint8_t bytes[] = {1, 2, 3, 4, 5, 6};
    CSkinStream s(bytes, 6, 10);
    uint8_t out[8] = {};
    EXPECT_EQ(s.Read(out, 4), 4u);
    EXPECT_EQ(s.Read(out, 4), 2u);
    EXPECT_EQ(out[0], 5);
    EXPECT_EQ(out[1], 6);
    EXPECT_EQ(s.Position(), 6u);
    EXPECT_EQ(s.Read(out, 4), 0u);
    EXPECT_EQ(s.Position(), 6u);
}

TEST(SkinStream, ReadU32IsLittleEndianAndZeroWhenShort)
{
    const uint8_t bytes[] = {0x78, 0x56, 0x34, 0x12, 0xAA, 0xBB};
    CSkinStream s(bytes, 6, 10);
    EXPECT_EQ(s.ReadU32(), 0x12345678u);
    EXPECT_EQ(s.ReadU32(), 0u); // only two bytes were left
    EXPECT_EQ(s.Position(), 6u);
    EXPECT_EQ(s.ReadU32(), 0u);
}

TEST(SkinStream, EmptyStreamReadsNothing)
{
    CSkinStream s;
    uint8_t out[4];
    EXPECT_EQ(s.Read(out, 4), 0u);
    EXPECT_EQ(s.ReadU32(), 0u);
    EXPECT_EQ(s.Data(), nullptr);
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

TEST(SkinStream, WriteIntoAFullStreamGrowsByExactlyOneStep)
{
    const std::vector<uint8_t> bytes = Pattern(64);
    CSkinStream s(bytes.data(), 64, 10240);
    s.Seek(0, CSkinStream::FROM_END);
    const uint8_t one = 0x5A;
    EXPECT_EQ(s.Write(&one, 1), 1u);
    EXPECT_EQ(s.Capacity(), 64u + 10240u);
    EXPECT_EQ(s.Size(), 65u);
    EXPECT_EQ(s.Position(), 65u);
    EXPECT_EQ(std::memcmp(s.Data(), bytes.data(), 64), 0); // contents kept across the reallocation
    EXPECT_EQ(s.Data()[64], 0x5A);
}

TEST(SkinStream, GrowthIsWholeStepsCoveringTheShortfall)
{
    CSkinStream s(nullptr, 10, 8);
    s.Seek(4, CSkinStream::FROM_START);
    const std::vector<uint8_t> big = Pattern(30);
    // room 6, shortfall 24: (24 / 8 + 1) steps of 8.
    EXPECT_EQ(s.Write(big.data(), 30), 30u);
    EXPECT_EQ(s.Capacity(), 10u + 32u);
    EXPECT_EQ(s.Size(), 34u);
    EXPECT_EQ(s.Position(), 34u);
}

TEST(SkinStream, WriteInsideKeepsTheLargerSize)
{
    const std::vector<uint8_t> bytes = Pattern(16);
    CSkinStream s(bytes.data(), 16, 10);
    s.Seek(2, CSkinStream::FROM_START);
    const uint8_t two[] = {0xEE, 0xFF};
    EXPECT_EQ(s.Write(two, 2), 2u);
    EXPECT_EQ(s.Size(), 16u);
    EXPECT_EQ(s.Position(), 4u);
    EXPECT_EQ(s.Data()[2], 0xEE);
    EXPECT_EQ(s.Data()[15], bytes[15]);
}

TEST(SkinStream, FirstWriteAllocatesExactlyTheBytesWritten)
{
    CSkinStream s(100);
    const std::vector<uint8_t> bytes = Pattern(7);
    EXPECT_EQ(s.Write(bytes.data(), 7), 7u);
    EXPECT_EQ(s.Capacity(), 7u);
    EXPECT_EQ(s.Size(), 7u);
    EXPECT_EQ(s.WriteU32(0x01020304), 4u);
    EXPECT_EQ(s.Capacity(), 107u);
    s.Seek(7, CSkinStream::FROM_START);
    EXPECT_EQ(s.ReadU32(), 0x01020304u);
}

TEST(SkinStream, ZeroGrowStepFallsBackToTheUsualStep)
{
    CSkinStream s(nullptr, 4, 0);
    s.Seek(0, CSkinStream::FROM_END);
    const uint8_t one = 1;
    ASSERT_EQ(s.Write(&one, 1), 1u); // would divide by zero
    EXPECT_EQ(s.Capacity(), 4u + SKIN_STREAM_GROW_STEP);
}

TEST(SkinStream, AllocateAndResetEmptyTheStream)
{
    const std::vector<uint8_t> bytes = Pattern(9);
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
}

TEST(SkinStream, EveryOperationAfterResetIsSafe)
{
    const std::vector<uint8_t> bytes = Pattern(9);
    CSkinStream s(bytes.data(), 9, 10);
    s.Reset();
    uint8_t out[4] = {};
    EXPECT_EQ(s.Read(out, 4), 0u);
    EXPECT_EQ(s.ReadU32(), 0u);
    EXPECT_EQ(s.Seek(3, CSkinStream::FROM_START), 0u);
    // The first write allocates exactly its bytes; the second does not fit
    // and must grow although Reset left the grow step at 0.
    ASSERT_EQ(s.Write(bytes.data(), 4), 4u);
    ASSERT_EQ(s.Write(bytes.data() + 4, 5), 5u);
    EXPECT_EQ(s.Size(), 9u);
    EXPECT_EQ(s.Capacity(), 4u + SKIN_STREAM_GROW_STEP);
    s.Seek(0, CSkinStream::FROM_START);
    uint8_t back[9] = {};
    ASSERT_EQ(s.Read(back, 9), 9u);
    EXPECT_EQ(std::vector<uint8_t>(back, back + 9), bytes);
}

// ---- container ----

std::vector<uint8_t> Compressed(const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> container;
    EXPECT_TRUE(CompressContainer(data.data(), uint32_t(data.size()), container));
    return container;
}

TEST(SkinContainer, RoundTripAppendsTheExpandedBytes)
{
    const std::vector<uint8_t> data = Pattern(50000);
    const std::vector<uint8_t> container = Compressed(data);
    CSkinStream target;
    const uint8_t prefix[] = {9, 9};
    target.Write(prefix, 2);
    ASSERT_TRUE(ExpandContainer(container.data(), uint32_t(container.size()), target));
    ASSERT_EQ(target.Size(), 2u + data.size());
    EXPECT_EQ(std::memcmp(target.Data() + 2, data.data(), data.size()), 0);
}

TEST(SkinContainer, AnnouncedLengthMustMatchWhatExpands)
{
    const std::vector<uint8_t> data = Pattern(1000);
    for (int64_t delta : {-1, +1, +500}) {
        std::vector<uint8_t> container = Compressed(data);
        const uint32_t lie = uint32_t(int64_t(data.size()) + delta);
        std::memcpy(container.data(), &lie, 4);
        CSkinStream target;
        EXPECT_FALSE(ExpandContainer(container.data(), uint32_t(container.size()), target)) << delta;
        EXPECT_EQ(target.Size(), 0u) << "nothing is written on failure";
    }
}

TEST(SkinContainer, TrailingBytesAfterTheEndMarkerAreRejected)
{
    std::vector<uint8_t> container = Compressed(Pattern(1000));
    container.push_back(0);
    CSkinStream target;
    EXPECT_FALSE(ExpandContainer(container.data(), uint32_t(container.size()), target));
}

TEST(SkinContainer, TruncatedStreamIsRejected)
{
    const std::vector<uint8_t> container = Compressed(Pattern(1000));
    for (size_t cut : {size_t(1), size_t(3), container.size() / 2}) {
        CSkinStream target;
        EXPECT_FALSE(ExpandContainer(container.data(), uint32_t(container.size() - cut), target)) << cut;
    }
    CSkinStream target;
    EXPECT_FALSE(ExpandContainer(container.data(), 3, target));
    EXPECT_FALSE(ExpandContainer(nullptr, 0, target));
}

TEST(SkinContainer, ImpossibleLengthIsRefusedBeforeAllocating)
{
    // 4 GB announced for a handful of bytes: no LZO stream expands that far.
    std::vector<uint8_t> container = Compressed(Pattern(100));
    const uint32_t lie = 0xFFFFFFF0u;
    std::memcpy(container.data(), &lie, 4);
    CSkinStream target;
    EXPECT_FALSE(ExpandContainer(container.data(), uint32_t(container.size()), target));
}

TEST(SkinContainer, HighlyCompressibleDataStaysWithinTheExpansionBound)
{
    const std::vector<uint8_t> zeros(4 << 20, 0);
    const std::vector<uint8_t> container = Compressed(zeros);
    CSkinStream target;
    ASSERT_TRUE(ExpandContainer(container.data(), uint32_t(container.size()), target));
    EXPECT_EQ(target.Size(), zeros.size());
}

TEST(SkinContainer, EmptyPayloadExpandsToNothing)
{
    const std::vector<uint8_t> container = Compressed({});
    CSkinStream target;
    EXPECT_TRUE(ExpandContainer(container.data(), uint32_t(container.size()), target));
    EXPECT_EQ(target.Size(), 0u);
}

} // namespace
