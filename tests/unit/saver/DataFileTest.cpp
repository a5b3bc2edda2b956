#include "base/File.h"
#include "saver/core/DataFileReader.h"
#include "saver/core/DataFileWriter.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace glint;
using namespace glint::datafile;

namespace {

ScanResult ScanBytes(const std::string& bytes)
{
    MemorySource source(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return Scan(source);
}

PackSpec BasicSpec()
{
    PackSpec pack;
    pack.workName = "demo";
    pack.mainMovie = "movie.swf";
    pack.files = {{"movie.swf", "", "FWS-movie-bytes"}, {"extra.txt", "", "extra"}};
    return pack;
}

// A file put together byte by byte from the format's table of offsets,
// independent of our writer and of our layout constants; the sealed texts
// were worked out by hand from the unsealing rule and the key.
class HandMadeFile {
public:
    // Where the damages below write.
    static constexpr size_t kMovieCount = 356, kReservedTextLength = 364 + 132, kFileCount = 569 + 536,
                            kRecord = 1109, kRecordSize = kRecord + 260, kMovieRecord = 3635;

    HandMadeFile()
    {
        Block(364, {{0, "SWF,Quintorix"}, {16, "v1"}, {24, "103033014079105059011036071011043015078"},
                    {72, "065067"}, {96, "known"}}, {{356, 1}}); // one movie record at the end
        Block(200, {}, {{132, 5}});                              // reserved text, read here and again below
        bytes += "12345";
        Block(540, {{0, "main.swf"}, {260, "  Title "}}, {{520, 1}, {524, 0}, {528, 7}, {536, 1}});
        Block(264, {{0, "main.swf"}}, {{260, 3}});
        bytes += "FWS";
        Block(552, {}, {{0, 1}, {264, 2}, {268, 1}});
        bytes += "rp12345";
        Block(896, {{4, "p.bmp"}}, {{0, 1}, {264, 4}});
        bytes += "BMpp";
        Block(800, {{280, "Visit"}, {540, "http://example.invalid/"}}, // the frame stays empty: no payload
              {{0, 2}, {268, 1}, {272, 0}, {276, 1}});
        Block(276, {{0, "last.swf"}}, {{260, 2}});
        bytes += "CW";
    }

    std::string bytes;

private:
    // Appends a zeroed block with texts and little-endian integers at their offsets.
    void Block(size_t size, std::initializer_list<std::pair<size_t, std::string>> texts,
               std::initializer_list<std::pair<size_t, uint32_t>> numbers)
    {
        const size_t at = bytes.size();
        bytes.append(size, '\0');
        for (const auto& [offset, text] : texts)
            bytes.replace(at + offset, text.size(), text);
        for (const auto& [offset, v] : numbers)
            for (int i = 0; i < 4; ++i)
                bytes[at + offset + i] = char(v >> (8 * i) & 0xFF);
    }
};

} // namespace

TEST(DataFileKnownAnswers, UnsealFollowsTheRule)
{
    // n = 1, start = 1: the key's second character 'k' (0x6B). 042 ^ 0x6B = 'A';
    // 298 keeps only its low 8 bits (42); 107 ^ 0x6B = 0 appends nothing.
    EXPECT_EQ(Unseal("042"), "A");
    EXPECT_EQ(Unseal("298"), "A");
    EXPECT_EQ(Unseal("107"), "");
    EXPECT_EQ(Unseal("0429"), "A"); // a digit short of a triple is ignored
    EXPECT_EQ(Unseal("103033014079105059011036071011043015078"), "SWF,Quintorix");
}

TEST(DataFileKnownAnswers, HandMadeFileReadsAsItsFields)
{
    const std::string bytes = HandMadeFile().bytes;
    ScanResult r = ScanBytes(bytes);
    ASSERT_EQ(r.error, ScanError::None) << r.detail;
    const Contents& c = r.contents;
    EXPECT_EQ(c.signature + "|" + c.tag + "|" + c.workName + "|" + c.mainMovie + "|" + c.title + "|" +
                  c.previewName + "|" + c.siteCaption + "|" + c.siteAddress,
              "SWF,Quintorix|v1|known|main.swf|Title|p.bmp|Visit|http://example.invalid/");
    const std::vector<uint32_t> numbers = {c.scaleToFit,       c.exitOnMouse, c.exitOnKey,      c.fileCount,
                                           c.previewKind,      c.pictureKind, c.allowExitOptions, c.allowMute,
                                           c.showSiteButton,   c.reservedTextLength, c.reservedTextReads};
    EXPECT_EQ(numbers, (std::vector<uint32_t>{1, 0, 7, 1, 1, 2, 1, 0, 1, 5, 2}));
    EXPECT_EQ(c.movieCount, 1);
    EXPECT_EQ(c.PlayedMovieName(), "last.swf");
    ASSERT_EQ(c.payloads.size(), 3u);
    const std::pair<const char*, const char*> want[] = {{"main.swf", "FWS"}, {"p.bmp", "BMpp"}, {"last.swf", "CW"}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(c.payloads[i].name, want[i].first);
        EXPECT_EQ(bytes.substr(size_t(c.payloads[i].offset), c.payloads[i].size), want[i].second);
    }
}

// Each damage to the hand-made file and what it must give. The saver shows
// message 131 when HasSignature fails and 132 for any other scan error.
TEST(DataFileKnownAnswers, DamagedFiles)
{
    using F = HandMadeFile;
    auto u32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    const struct {
        const char* what;
        size_t cutTo; // the file's length after the damage; SIZE_MAX: whole
        size_t at;
        std::string written;
        ScanError error;
        int message;
        const char* name = ""; // the movie that plays, or a name the error's detail must give
    } damages[] = {
        {"empty file", 0, 0, "", ScanError::ForeignSignature, 131},
        {"signature not zero-ended", SIZE_MAX, 13, "X", ScanError::ForeignSignature, 131},
        // Only the signature: the rest reads as zeros, so the seals do not match.
        {"signature alone", 13, 0, "", ScanError::BadSeal, 132},
        {"sealed signature changed", SIZE_MAX, 24, "2", ScanError::BadSeal, 132},
        {"tag changed", SIZE_MAX, 16, "X", ScanError::BadSeal, 132},
        {"work name leaving the folder", SIZE_MAX, 96, std::string("..\\..\0", 6), ScanError::UnsafeName, 132},
        {"empty work name", SIZE_MAX, 96, std::string(5, '\0'), ScanError::UnsafeName, 132},
        {"file name with a drive", SIZE_MAX, F::kRecord, std::string("c:\\x\0\0\0\0\0", 9), ScanError::UnsafeName, 132},
        {"movie name with a slash", SIZE_MAX, F::kMovieRecord, std::string("a/b.swf\0", 8), ScanError::UnsafeName, 132},
        {"payload past the end", SIZE_MAX, F::kRecordSize, u32(0xFFFFFFF0u), ScanError::PayloadTooLarge, 132,
         "main.swf"},
        {"reserved text past the end", SIZE_MAX, F::kReservedTextLength, u32(1u << 30), ScanError::PayloadTooLarge,
         132},
        // Counts of records that are not there stop at the first missing (zero, so empty) name.
        {"file count past the end", F::kRecord, F::kFileCount, u32(0xFFFFFFFFu), ScanError::UnsafeName, 132},
        {"movie count past the end", SIZE_MAX, F::kMovieCount, u32(0x7FFFFFFF), ScanError::UnsafeName, 132},
        // What is missing of a fixed block reads as zeros: no files, and no error.
        {"cut inside the movie block, no movie records", 569 + 300, F::kMovieCount, u32(0), ScanError::None, 0,
         "main.swf"},
        {"negative movie count", SIZE_MAX, F::kMovieCount, u32(uint32_t(-3)), ScanError::None, 0, "main.swf"},
    };
    for (const auto& d : damages) {
        SCOPED_TRACE(d.what);
        std::string bytes = HandMadeFile().bytes;
        bytes.replace(d.at, d.written.size(), d.written);
        bytes.resize(std::min(d.cutTo, bytes.size()));
        ScanResult r = ScanBytes(bytes);
        EXPECT_EQ(r.error, d.error) << r.detail;
        std::string header = bytes.substr(0, kHeaderSize); // as the saver reads it: zeros past the end
        header.resize(kHeaderSize, '\0');
        const bool ours = HasSignature(reinterpret_cast<const uint8_t*>(header.data()), header.size());
        EXPECT_EQ(!ours ? 131 : r.error != ScanError::None ? 132 : 0, d.message);
        if (d.error != ScanError::None) {
            EXPECT_NE(r.detail.find(d.name), std::string::npos) << r.detail;
        } else {
            EXPECT_EQ(r.contents.PlayedMovieName(), d.name);
            EXPECT_EQ(r.contents.payloads.size(), d.cutTo == SIZE_MAX ? 2u : 0u) << "the movie records are gone";
        }
    }
}

TEST(DataFileKnownAnswers, WriterMakesTheHandMadeFile)
{
    const PackSpec pack{.tag = "v1", .workName = "known", .mainMovie = "main.swf", .title = "  Title ",
                        .exitOnMouse = 0, .exitOnKey = 7, .files = {{"main.swf", "", "FWS"}}, .previewKind = 1,
                        .preview = {"p.bmp", "", "BMpp"}, .pictureKind = 2, .picture = {}, .allowMute = 0,
                        .showSiteButton = 1, .siteCaption = "Visit", .siteAddress = "http://example.invalid/",
                        .movies = {{"last.swf", "", "CW"}}, .reservedTextLength = 5, .reservedTextAgain = true,
                        .reservedPayloadLength = 2};
    test::TempDir dir;
    std::string error, bytes;
    ASSERT_TRUE(WriteDataFile(pack, dir.File("known.dat"), error)) << error;
    ASSERT_TRUE(ReadWholeFile(dir.File("known.dat"), bytes));
    std::string want = HandMadeFile().bytes;
    want.replace(564, 5, 5, '\0'); // the writer fills the reserved parts with zeros
    want.replace(1928, 7, 7, '\0');
    ASSERT_EQ(bytes.size(), want.size());
    EXPECT_TRUE(bytes == want) << "first difference at byte "
                               << std::mismatch(bytes.begin(), bytes.end(), want.begin()).first - bytes.begin();
}

// What the hand-made file lacks: a dialog picture, several files and movie
// records, a reserved preview part, a payload of megabytes; read from the
// file as the saver reads it, and extracted.
TEST(DataFile, WriterOutputReadsBackWholeAndExtractsExactly)
{
    std::string big(3 << 20, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = char(i * 7 + i / 4096);
    PackSpec pack = BasicSpec();
    pack.files.push_back({"big.bin", "", big});
    pack.previewKind = 1;
    pack.preview = {"preview.bmp", "", "BMpreview"};
    pack.previewReservedLength = 33;
    pack.pictureKind = 1;
    pack.picture = {"intro.SWF", "", "dialog"};
    pack.movies = {{"first.swf", "", "one"}, {"second.swf", "", "two"}};
    test::TempDir dir;
    std::string error, bytes, back;
    ASSERT_TRUE(WriteDataFile(pack, dir.File("test.dat"), error)) << error;
    ASSERT_TRUE(ReadWholeFile(dir.File("test.dat"), bytes));
    FileSource source;
    ASSERT_TRUE(source.Open(dir.File("test.dat")));
    ScanResult r = Scan(source);
    ASSERT_EQ(r.error, ScanError::None) << r.detail;
    const Contents& c = r.contents;
    EXPECT_EQ(c.PlayedMovieName(), "second.swf");
    // Every payload in file order, its offset pointing at its bytes; the last ends the file.
    const std::pair<PayloadKind, std::string> want[] = {
        {PayloadKind::File, "FWS-movie-bytes"}, {PayloadKind::File, "extra"},    {PayloadKind::File, big},
        {PayloadKind::Preview, "BMpreview"},    {PayloadKind::DialogPicture, "dialog"},
        {PayloadKind::Movie, "one"},            {PayloadKind::Movie, "two"}};
    ASSERT_EQ(c.payloads.size(), 7u);
    for (size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(c.payloads[i].kind, want[i].first) << i;
        EXPECT_TRUE(bytes.substr(size_t(c.payloads[i].offset), c.payloads[i].size) == want[i].second) << i;
    }
    EXPECT_EQ(c.payloads.back().offset + c.payloads.back().size, bytes.size());

    ASSERT_TRUE(ExtractPayload(source, c.payloads[2], dir.File("big.bin")));
    ASSERT_TRUE(ReadWholeFile(dir.File("big.bin"), back));
    EXPECT_TRUE(back == big) << "the extracted file differs";
    // An empty payload makes an empty file.
    ASSERT_TRUE(ExtractPayload(source, Payload{PayloadKind::File, "e", 0, 0}, dir.File("empty")));
    ASSERT_TRUE(ReadWholeFile(dir.File("empty"), back));
    EXPECT_TRUE(back.empty());
    // A folder that does not exist cannot take the file.
    EXPECT_FALSE(ExtractPayload(source, c.payloads[0], dir.File("missing/movie.swf")));
}

TEST(DataFile, WriterRefusesWhatDoesNotFitNamingIt)
{
    test::TempDir dir;
    const std::pair<std::function<void(PackSpec&)>, const char*> cases[] = {
        {[](PackSpec& p) { p.tag = "TOOLONGTAG"; }, "tag"},
        {[](PackSpec& p) { p.workName = "..\\.."; }, "work name"},
        {[](PackSpec& p) { p.siteCaption = std::string(300, 'x'); }, "site caption"},
        {[&](PackSpec& p) { p.files.push_back({"x.bin", dir.File("does-not-exist"), ""}); }, "does-not-exist"},
    };
    for (const auto& [change, named] : cases) {
        PackSpec pack = BasicSpec();
        change(pack);
        std::string error;
        EXPECT_FALSE(WriteDataFile(pack, dir.File("refused.dat"), error)) << named;
        EXPECT_NE(error.find(named), std::string::npos) << error;
    }
}
