// Streams and the format dispatcher: memory stream growth and reads, file
// streams with and without a file, decoding with known and unknown formats,
// encoding to memory.
#include "base/File.h"
#include "image/DibImage.h"
#include "image/ImageStream.h"
#include "tests/support/TempDir.h"
#include "tests/unit/image/ByteFiles.h"

#include <gtest/gtest.h>

#include <memory>
#include <cstring>
#include <vector>

using namespace glint;

namespace {

CDibImage* SmallPicture()
{
    auto* image = new CDibImage(5, 3, 24, FORMAT_BMP);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 5; ++x)
            image->SetPixelColor(x, y, RGBQUAD{uint8_t(x * 40), uint8_t(y * 80), 7, 0});
    return image;
}

} // namespace

TEST(MemoryStream, GrowsInWholeSteps)
{
    ImageMemoryStream stream;
    ASSERT_TRUE(stream.OpenEmpty());
    EXPECT_FALSE(stream.OpenEmpty()); // already has a buffer
    EXPECT_EQ(stream.Capacity(), 0u);
    ASSERT_TRUE(stream.PutC(0x41));
    EXPECT_EQ(stream.Capacity(), 4096u);
    std::vector<uint8_t> block(4096, 0x42);
    ASSERT_EQ(stream.Write(block.data(), 1, block.size()), block.size()); // needs 4097
    EXPECT_EQ(stream.Capacity(), 8192u);
    EXPECT_EQ(stream.Size(), 4097);
    std::vector<uint8_t> big(10000, 1);
    ASSERT_EQ(stream.Write(big.data(), 100, 100), 100u); // 14097 -> 16384
    EXPECT_EQ(stream.Capacity(), 16384u);
}

TEST(MemoryStream, ReadsWholeElementsOnly)
{
    uint8_t data[14];
    for (int i = 0; i < 14; ++i)
        data[i] = uint8_t(i);
    ImageMemoryStream stream(data, sizeof data);
    ASSERT_TRUE(stream.Seek(4, ImageStream::SEEK_FROM_START));
    uint8_t out[12] = {};
    EXPECT_EQ(stream.Read(out, 4, 3), 2u); // 10 bytes left: copies 10, two whole elements
    EXPECT_EQ(out[9], 13);
    EXPECT_EQ(stream.Tell(), 14);
    EXPECT_TRUE(stream.Eof());
    EXPECT_EQ(stream.GetC(), -1);
    EXPECT_EQ(stream.Read(out, 0, 3), 0u);
    // A request whose byte count does not fit in size_t is "everything left".
    // (No whole element of that size fits, so the answer is 0.)
    ASSERT_TRUE(stream.Seek(0, ImageStream::SEEK_FROM_START));
    uint8_t all[sizeof data] = {};
    EXPECT_EQ(stream.Read(all, SIZE_MAX / 2, 4), 0u);
    EXPECT_EQ(all[13], 13);
    EXPECT_EQ(stream.Tell(), 14);
}

TEST(MemoryStream, SeekRules)
{
    uint8_t data[8] = {};
    ImageMemoryStream stream(data, sizeof data);
    ASSERT_TRUE(stream.Seek(3, ImageStream::SEEK_FROM_START));
    EXPECT_FALSE(stream.Seek(-1, ImageStream::SEEK_FROM_START));
    EXPECT_EQ(stream.Tell(), 3);
    EXPECT_FALSE(stream.Seek(0, 7));
    EXPECT_TRUE(stream.Seek(-2, ImageStream::SEEK_FROM_END));
    EXPECT_EQ(stream.Tell(), 6);
    EXPECT_TRUE(stream.Seek(10, ImageStream::SEEK_FROM_CURRENT)); // beyond the end is allowed
    EXPECT_EQ(stream.Error(), 1);
    EXPECT_EQ(stream.GetC(), -1);
}

TEST(MemoryStream, WritingOverCallerBytesCopiesThemFirst)
{
    uint8_t data[4] = {1, 2, 3, 4};
    ImageMemoryStream stream(data, sizeof data);
    ASSERT_TRUE(stream.Seek(0, ImageStream::SEEK_FROM_END));
    ASSERT_TRUE(stream.PutC(5));
    EXPECT_NE(stream.Buffer(), data);
    EXPECT_EQ(stream.Buffer()[0], 1);
    EXPECT_EQ(stream.Buffer()[4], 5);
    EXPECT_EQ(data[3], 4);
}

TEST(MemoryStream, GapAfterSeekBeyondEndIsZero)
{
    ImageMemoryStream stream;
    ASSERT_TRUE(stream.OpenEmpty());
    ASSERT_TRUE(stream.Seek(100, ImageStream::SEEK_FROM_START));
    ASSERT_TRUE(stream.PutC(9));
    EXPECT_EQ(stream.Size(), 101);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(stream.Buffer()[i], 0);
}

TEST(MemoryStream, WithoutBufferAnswersNothing)
{
    ImageMemoryStream stream;
    uint8_t b = 0;
    EXPECT_EQ(stream.Read(&b, 1, 1), 0u);
    EXPECT_EQ(stream.Write(&b, 1, 1), 0u);
    EXPECT_FALSE(stream.PutC(1));
    EXPECT_EQ(stream.Tell(), -1);
    EXPECT_EQ(stream.Size(), -1);
    EXPECT_TRUE(stream.Eof());
    EXPECT_FALSE(stream.Flush());
}

TEST(FileStream, WithoutFileAnswersNothing)
{
    ImageFileStream stream(nullptr);
    uint8_t b = 0;
    EXPECT_TRUE(stream.Close());
    EXPECT_EQ(stream.Read(&b, 1, 1), 0u);
    EXPECT_FALSE(stream.Seek(0, 0));
    EXPECT_EQ(stream.Tell(), 0);
    EXPECT_EQ(stream.Size(), -1);
    EXPECT_FALSE(stream.Flush());
    EXPECT_TRUE(stream.Eof());
    EXPECT_EQ(stream.Error(), -1);
    EXPECT_FALSE(stream.PutC(1));
    EXPECT_EQ(stream.GetC(), -1);
}

TEST(FileStream, SizeKeepsPositionAndCallerFileStaysOpen)
{
    test::TempDir dir;
    const std::string path = dir.File("f.bin");
    std::FILE* f = std::fopen(path.c_str(), "w+b");
    ASSERT_NE(f, nullptr);
    {
        ImageFileStream stream(f);
        ASSERT_TRUE(stream.PutC(7));
        ASSERT_EQ(stream.Write("abc", 1, 3), 3u);
        ASSERT_TRUE(stream.Seek(1, ImageStream::SEEK_FROM_START));
        EXPECT_EQ(stream.Size(), 4);
        EXPECT_EQ(stream.Tell(), 1);
        EXPECT_EQ(stream.GetC(), 'a');
    }
    EXPECT_EQ(std::fseek(f, 0, SEEK_SET), 0); // still open after the stream is gone
    std::fclose(f);
}

TEST(Dispatch, EncodeBufferRules)
{
    std::unique_ptr<CDibImage> image(SmallPicture());
    uint8_t dummy = 0;
    uint8_t* taken = &dummy;
    uint32_t size = 77;
    EXPECT_FALSE(image->EncodeBuffer(taken, size, FORMAT_BMP));
    EXPECT_EQ(taken, &dummy);
    EXPECT_EQ(size, 77u);
    uint8_t* none = nullptr;
    EXPECT_FALSE(image->EncodeBuffer(none, size, FORMAT_GIF));
    EXPECT_EQ(none, nullptr);
    EXPECT_STREQ(image->LastError(), "Encode: Unknown format");
    CDibImage empty;
    EXPECT_FALSE(empty.EncodeBuffer(none, size, FORMAT_BMP));
    EXPECT_STREQ(empty.LastError(), "null image!!!");
    EXPECT_FALSE(image->EncodeStream(nullptr, FORMAT_BMP));
    EXPECT_STREQ(image->LastError(), "null file handler");
}

TEST(Dispatch, UnknownFormatStartsEveryTryAtTheStreamPosition)
{
    std::unique_ptr<CDibImage> image(SmallPicture());
    std::vector<uint8_t> bytes(100, 0xEE);
    std::vector<uint8_t> picture = test::EncodeBmp(*image);
    bytes.insert(bytes.end(), picture.begin(), picture.end());
    ImageMemoryStream stream(bytes.data(), bytes.size());
    ASSERT_TRUE(stream.Seek(100, ImageStream::SEEK_FROM_START));
    CDibImage back;
    ASSERT_TRUE(back.DecodeStream(&stream, FORMAT_UNKNOWN)) << back.LastError();
    EXPECT_EQ(back.Width(), 5);
    EXPECT_EQ(std::memcmp(back.Bits(), image->Bits(), image->Header().biSizeImage), 0);
}

TEST(Dispatch, CallerInfoReachesTheCodec)
{
    std::unique_ptr<CDibImage> image(SmallPicture());
    std::vector<uint8_t> bytes = test::EncodeBmp(*image);
    CDibImage back;
    back.SetEscape(1);
    EXPECT_FALSE(back.DecodeBuffer(bytes.data(), bytes.size(), FORMAT_BMP));
    EXPECT_STREQ(back.LastError(), "Cancelled");
}

// A failed decode or load says why and leaves the caller's picture alone.
TEST(Dispatch, FailuresKeepThePictureAndSayWhy)
{
    test::TempDir dir;
    const char note[] = "hello, this is text and no picture\n";
    const std::string text = dir.File("note.txt"), bmp = dir.File("p.bmp");
    ASSERT_TRUE(WriteWholeFile(text, note, sizeof note - 1));
    std::unique_ptr<CDibImage> image(SmallPicture());
    const std::vector<uint8_t> bytes = test::EncodeBmp(*image);
    ASSERT_TRUE(WriteWholeFile(bmp, bytes.data(), bytes.size()));
    // With a format asked for, its codec's message is what the caller sees.
    for (auto [format, message] : {std::pair{uint32_t(FORMAT_UNKNOWN), "Decode: Unknown or wrong format"},
                                   {uint32_t(FORMAT_BMP), "Error reading BMP info"},
                                   {16u, "Decode: Unknown or wrong format"}}) {
        EXPECT_FALSE(image->DecodeBuffer(reinterpret_cast<const uint8_t*>(note), sizeof note, format));
        EXPECT_STREQ(image->LastError(), message);
        if (format != 16) {
            EXPECT_FALSE(image->LoadFile(text.c_str(), format));
            EXPECT_STREQ(image->LastError(), message);
        }
    }
    EXPECT_TRUE(image->IsValid());
    EXPECT_EQ(image->Width(), 5);
    // A file that cannot be opened adds no message.
    image->SetLastError("before");
    EXPECT_FALSE(image->LoadFile(dir.File("missing.bmp").c_str(), FORMAT_BMP));
    EXPECT_STREQ(image->LastError(), "before");
    // When the codec asked for fails, every codec is tried: a BMP asked for as GIF is found.
    CDibImage back;
    EXPECT_TRUE(back.LoadFile(bmp.c_str(), FORMAT_GIF));
    EXPECT_EQ(back.Type(), uint32_t(FORMAT_BMP));
}
