#include "base/ByteOrder.h"
#include "base/File.h"
#include "saver/core/DataFileReader.h"
#include "saver/core/DataFileWriter.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace glint;
using namespace glint::datafile;

namespace {

PackSpec BasicSpec()
{
    PackSpec pack;
    pack.workName = "demo";
    pack.mainMovie = "movie.swf";
    pack.title = "  A title \t";
    pack.scaleToFit = 0;
    pack.exitOnMouse = 1;
    pack.exitOnKey = 0;
    pack.files = {{"movie.swf", "", "FWS-movie-bytes"}, {"extra.txt", "", "extra"}};
    return pack;
}

class DataFile : public ::testing::Test {
protected:
    // Writes the pack and returns the file's bytes.
    std::string Pack(const PackSpec& pack)
    {
        std::string error;
        std::string path = dir_.File("test.dat");
        EXPECT_TRUE(WriteDataFile(pack, path, error)) << error;
        std::string bytes;
        EXPECT_TRUE(ReadWholeFile(path, bytes));
        return bytes;
    }

    static ScanResult ScanBytes(const std::string& bytes)
    {
        MemorySource source(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        return Scan(source);
    }

    test::TempDir dir_;
};

} // namespace

TEST_F(DataFile, RoundTripOfEveryBlock)
{
    PackSpec pack = BasicSpec();
    pack.previewKind = 1;
    pack.preview = {"preview.bmp", "", "BMpreview"};
    pack.pictureKind = 1;
    pack.picture = {"intro.SWF", "", "dialog"};
    pack.allowExitOptions = 0;
    pack.allowMute = 1;
    pack.showSiteButton = 1;
    pack.siteCaption = "Visit us";
    pack.siteAddress = "http://example.com/";
    ScanResult r = ScanBytes(Pack(pack));
    ASSERT_EQ(r.error, ScanError::None) << r.detail;
    const Contents& c = r.contents;
    EXPECT_EQ(c.workName, "demo");
    EXPECT_EQ(c.title, "A title");
    EXPECT_EQ(c.scaleToFit, 0u);
    EXPECT_EQ(c.exitOnMouse, 1u);
    EXPECT_EQ(c.exitOnKey, 0u);
    EXPECT_EQ(c.previewKind, 1u);
    EXPECT_EQ(c.pictureKind, 1u);
    EXPECT_EQ(c.allowExitOptions, 0u);
    EXPECT_EQ(c.showSiteButton, 1u);
    EXPECT_EQ(c.siteCaption, "Visit us");
    EXPECT_EQ(c.siteAddress, "http://example.com/");
    ASSERT_EQ(c.payloads.size(), 4u);
    EXPECT_EQ(c.payloads[0].name, "movie.swf");
    EXPECT_EQ(c.payloads[1].name, "extra.txt");
    EXPECT_EQ(c.payloads[2].kind, PayloadKind::Preview);
    EXPECT_EQ(c.payloads[3].kind, PayloadKind::DialogPicture);
    EXPECT_EQ(c.PlayedMovieName(), "movie.swf");
    // Payload offsets point at the bytes themselves.
    std::string bytes = Pack(pack);
    EXPECT_EQ(bytes.substr(size_t(c.payloads[2].offset), c.payloads[2].size), "BMpreview");
    EXPECT_EQ(c.payloads[0].offset, kHeaderSize + kReservedBlockSize + kMovieBlockSize + kFileRecordSize);
}

TEST_F(DataFile, LastMovieRecordDecidesTheMovie)
{
    PackSpec pack = BasicSpec();
    pack.movies = {{"first.swf", "", "one"}, {"second.swf", "", "two"}};
    ScanResult r = ScanBytes(Pack(pack));
    ASSERT_EQ(r.error, ScanError::None) << r.detail;
    EXPECT_EQ(r.contents.movieCount, 2);
    EXPECT_EQ(r.contents.PlayedMovieName(), "second.swf");
    EXPECT_EQ(r.contents.payloads.size(), 4u);
}

TEST_F(DataFile, NegativeMovieCountMeansNoRecords)
{
    std::string bytes = Pack(BasicSpec());
    WriteU32LE(reinterpret_cast<uint8_t*>(&bytes[header::kMovieCount]), uint32_t(-3));
    ScanResult r = ScanBytes(bytes);
    ASSERT_EQ(r.error, ScanError::None) << r.detail;
    EXPECT_EQ(r.contents.PlayedMovieName(), "movie.swf");
}

TEST_F(DataFile, ReservedPartsAreReadPastAndTheTextLengthIsConsumedTwice)
{
    PackSpec pack = BasicSpec();
    pack.reservedTextLength = 77;
    pack.reservedTextAgain = true;
    pack.reservedPayloadLength = 1000;
    pack.previewReservedLength = 33;
    pack.pictureKind = 1;
    pack.picture = {"pic.bmp", "", "PICTURE"};
    std::string bytes = Pack(pack);
    ScanResult r = ScanBytes(bytes);
    ASSERT_EQ(r.error, ScanError::None) << r.detail;
    EXPECT_EQ(r.contents.reservedTextReads, 2u);
    EXPECT_EQ(r.contents.reservedPayloads, 2u);
    const Payload& pic = r.contents.payloads.back();
    EXPECT_EQ(bytes.substr(size_t(pic.offset), pic.size), "PICTURE");
    EXPECT_EQ(pic.offset + pic.size, bytes.size());
}

TEST_F(DataFile, ForeignAndBadlySealedFiles)
{
    std::string good = Pack(BasicSpec());

    std::string foreign = good;
    foreign[13] = 'X'; // "SWF,Quintorix" followed by a non-zero byte
    EXPECT_EQ(ScanBytes(foreign).error, ScanError::ForeignSignature);
    EXPECT_FALSE(HasSignature(reinterpret_cast<const uint8_t*>(foreign.data()), foreign.size()));
    EXPECT_TRUE(HasSignature(reinterpret_cast<const uint8_t*>(good.data()), good.size()));

    std::string badSeal = good;
    badSeal[header::kSealedSignature] ^= 1;
    EXPECT_EQ(ScanBytes(badSeal).error, ScanError::BadSeal);

    std::string badTag = good;
    badTag[header::kTag] = 'X';
    EXPECT_EQ(ScanBytes(badTag).error, ScanError::BadSeal);

    EXPECT_EQ(ScanBytes("").error, ScanError::ForeignSignature);
    // A file holding only the signature text: the rest reads as zeros, so the
    // signature matches and the missing seals do not.
    EXPECT_EQ(ScanBytes("SWF,Quintorix").error, ScanError::BadSeal);
}

TEST_F(DataFile, NamesThatLeaveTheWorkFolderAreRefused)
{
    std::string good = Pack(BasicSpec());
    auto withName = [&](size_t offset, const char* name) {
        std::string bytes = good;
        std::memset(&bytes[offset], 0, header::kNameSize);
        std::memcpy(&bytes[offset], name, std::strlen(name));
        return ScanBytes(bytes);
    };
    for (const char* bad : {"..\\..", "", "c:\\", "a/b", "..", "\\windows"}) {
        EXPECT_EQ(withName(header::kWorkName, bad).error, ScanError::UnsafeName) << bad;
        size_t record = kHeaderSize + kReservedBlockSize + kMovieBlockSize;
        EXPECT_EQ(withName(record, bad).error, ScanError::UnsafeName) << bad;
    }
    PackSpec pack = BasicSpec();
    pack.workName = "..\\..";
    std::string error;
    EXPECT_FALSE(WriteDataFile(pack, dir_.File("refused.dat"), error));
    EXPECT_NE(error.find("work name"), std::string::npos);
}

TEST_F(DataFile, PayloadPastTheEndIsReportedNotAllocated)
{
    std::string bytes = Pack(BasicSpec());
    size_t record = kHeaderSize + kReservedBlockSize + kMovieBlockSize;
    WriteU32LE(reinterpret_cast<uint8_t*>(&bytes[record + record::kSize]), 0xFFFFFFF0u);
    ScanResult r = ScanBytes(bytes);
    EXPECT_EQ(r.error, ScanError::PayloadTooLarge);
    EXPECT_NE(r.detail.find("movie.swf"), std::string::npos);

    std::string reservedTooLong = Pack(BasicSpec());
    WriteU32LE(reinterpret_cast<uint8_t*>(&reservedTooLong[kHeaderSize + reserved::kTextLength]), 1u << 30);
    EXPECT_EQ(ScanBytes(reservedTooLong).error, ScanError::PayloadTooLarge);
}

TEST_F(DataFile, ShortFileReadsZerosForMissingBlocks)
{
    std::string bytes = Pack(BasicSpec());
    // Cut inside the movie block: what is missing reads as zeros, so no files.
    std::string cut = bytes.substr(0, kHeaderSize + kReservedBlockSize + 300);
    ScanResult r = ScanBytes(cut);
    ASSERT_EQ(r.error, ScanError::None) << r.detail;
    EXPECT_EQ(r.contents.fileCount, 0u);
    EXPECT_EQ(r.contents.mainMovie, "movie.swf");
    EXPECT_EQ(r.contents.payloads.size(), 0u);

    // A count of records that are not there stops at the first missing one.
    std::string hostile = bytes.substr(0, kHeaderSize + kReservedBlockSize + kMovieBlockSize);
    WriteU32LE(reinterpret_cast<uint8_t*>(&hostile[kHeaderSize + kReservedBlockSize + movie::kFileCount]),
               0xFFFFFFFFu);
    EXPECT_EQ(ScanBytes(hostile).error, ScanError::UnsafeName);
    WriteU32LE(reinterpret_cast<uint8_t*>(&hostile[header::kMovieCount]), 0x7FFFFFFF);
    EXPECT_NE(ScanBytes(hostile).error, ScanError::None);
}

TEST_F(DataFile, ExtractWritesExactlyThePayload)
{
    PackSpec pack = BasicSpec();
    std::string big(3 << 20, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = char(i * 7 + i / 4096);
    pack.files.push_back({"big.bin", "", big});
    std::string path = dir_.File("big.dat");
    std::string error;
    ASSERT_TRUE(WriteDataFile(pack, path, error)) << error;
    FileSource source;
    ASSERT_TRUE(source.Open(path));
    ScanResult r = Scan(source);
    ASSERT_EQ(r.error, ScanError::None);
    ASSERT_TRUE(ExtractPayload(source, r.contents.payloads[2], dir_.File("big.bin")));
    std::string back;
    ASSERT_TRUE(ReadWholeFile(dir_.File("big.bin"), back));
    EXPECT_EQ(back, big);
    // An empty payload makes an empty file.
    ASSERT_TRUE(ExtractPayload(source, Payload{PayloadKind::File, "e", 0, 0}, dir_.File("empty")));
    ASSERT_TRUE(ReadWholeFile(dir_.File("empty"), back));
    EXPECT_TRUE(back.empty());
    // A folder that does not exist cannot take the file.
    EXPECT_FALSE(ExtractPayload(source, r.contents.payloads[0], dir_.File("missing/movie.swf")));
}

TEST_F(DataFile, WriterRefusesWhatDoesNotFit)
{
    PackSpec pack = BasicSpec();
    std::string error;
    pack.tag = "TOOLONGTAG";
    EXPECT_FALSE(WriteDataFile(pack, dir_.File("a.dat"), error));
    pack = BasicSpec();
    pack.siteCaption = std::string(300, 'x');
    EXPECT_FALSE(WriteDataFile(pack, dir_.File("b.dat"), error));
    EXPECT_NE(error.find("site caption"), std::string::npos);
    pack = BasicSpec();
    pack.files.push_back({"x.bin", dir_.File("does-not-exist"), ""});
    EXPECT_FALSE(WriteDataFile(pack, dir_.File("c.dat"), error));
    EXPECT_NE(error.find("does-not-exist"), std::string::npos);
}

// Known answers, independent of our writer and of our layout constants: a file
// put together byte by byte from the format's table of offsets, and sealed
// texts worked out by hand from the unsealing rule and the key.
namespace {

class KnownFile {
public:
    void Text(size_t at, const std::string& s) { Put(at, s); }
    void U32(size_t at, uint32_t v)
    {
        Put(at, std::string{char(v & 0xFF), char(v >> 8 & 0xFF), char(v >> 16 & 0xFF), char(v >> 24 & 0xFF)});
    }
    void Append(size_t n) { bytes.append(n, '\0'); }
    void Append(const std::string& s) { bytes += s; }
    size_t Size() const { return bytes.size(); }
    std::string bytes;

private:
    void Put(size_t at, const std::string& s) { bytes.replace(at, s.size(), s); }
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
    KnownFile f;
    f.Append(364); // header
    f.Text(0, "SWF,Quintorix");
    f.Text(16, "v1");
    f.Text(24, "103033014079105059011036071011043015078");
    f.Text(72, "065067");
    f.Text(96, "known");
    f.U32(356, 1); // one movie record at the end
    const size_t reserved = f.Size();
    f.Append(200);
    f.U32(reserved + 132, 5); // reserved text, read here and again below
    f.Append("12345");
    const size_t movie = f.Size();
    f.Append(540);
    f.Text(movie + 0, "main.swf");
    f.Text(movie + 260, "  Title ");
    f.U32(movie + 520, 1);
    f.U32(movie + 524, 0);
    f.U32(movie + 528, 7);
    f.U32(movie + 536, 1);
    const size_t record = f.Size();
    f.Append(264);
    f.Text(record, "main.swf");
    f.U32(record + 260, 3);
    f.Append("FWS");
    const size_t second = f.Size();
    f.Append(552);
    f.U32(second + 0, 1);
    f.U32(second + 264, 2);
    f.U32(second + 268, 1);
    f.Append("rp");
    f.Append("12345");
    const size_t preview = f.Size();
    f.Append(896);
    f.U32(preview + 0, 1);
    f.Text(preview + 4, "p.bmp");
    f.U32(preview + 264, 4);
    f.Append("BMpp");
    const size_t dialog = f.Size();
    f.Append(800);
    f.U32(dialog + 0, 2); // the frame stays empty: no payload
    f.U32(dialog + 268, 1);
    f.U32(dialog + 272, 0);
    f.U32(dialog + 276, 1);
    f.Text(dialog + 280, "Visit");
    f.Text(dialog + 540, "http://example.invalid/");
    const size_t movieRecord = f.Size();
    f.Append(276);
    f.Text(movieRecord, "last.swf");
    f.U32(movieRecord + 260, 2);
    f.Append("CW");

    MemorySource source(reinterpret_cast<const uint8_t*>(f.bytes.data()), f.bytes.size());
    ScanResult r = Scan(source);
    ASSERT_EQ(r.error, ScanError::None) << r.detail;
    const Contents& c = r.contents;
    EXPECT_EQ(c.signature, "SWF,Quintorix");
    EXPECT_EQ(c.tag, "v1");
    EXPECT_EQ(c.workName, "known");
    EXPECT_EQ(c.movieCount, 1);
    EXPECT_EQ(c.mainMovie, "main.swf");
    EXPECT_EQ(c.scaleToFit, 1u);
    EXPECT_EQ(c.exitOnMouse, 0u);
    EXPECT_EQ(c.exitOnKey, 7u);
    EXPECT_EQ(c.fileCount, 1u);
    EXPECT_EQ(c.previewKind, 1u);
    EXPECT_EQ(c.previewName, "p.bmp");
    EXPECT_EQ(c.pictureKind, 2u);
    EXPECT_EQ(c.allowExitOptions, 1u);
    EXPECT_EQ(c.allowMute, 0u);
    EXPECT_EQ(c.showSiteButton, 1u);
    EXPECT_EQ(c.siteCaption, "Visit");
    EXPECT_EQ(c.siteAddress, "http://example.invalid/");
    EXPECT_EQ(c.reservedTextLength, 5u);
    EXPECT_EQ(c.reservedTextReads, 2u);
    EXPECT_EQ(c.PlayedMovieName(), "last.swf");
    ASSERT_EQ(c.payloads.size(), 3u);
    const std::pair<const char*, const char*> want[] = {{"main.swf", "FWS"}, {"p.bmp", "BMpp"}, {"last.swf", "CW"}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(c.payloads[i].name, want[i].first);
        EXPECT_EQ(f.bytes.substr(size_t(c.payloads[i].offset), c.payloads[i].size), want[i].second);
    }
}
