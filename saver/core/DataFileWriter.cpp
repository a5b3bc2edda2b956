#include "saver/core/DataFileWriter.h"

#include "base/ByteOrder.h"
#include "base/File.h"
#include "base/Text.h"

#include <algorithm>
#include <array>
#include <map>
#include <vector>

namespace glint::datafile {

namespace {

class Writer {
public:
    Writer(const PackSpec& pack, std::string& error) : pack_(pack), error_(error) {}

    bool Run(const std::string& outPath)
    {
        if (!CheckNames() || !MeasureEntries())
            return false;
        if (!out_.Open(outPath))
            return Fail("cannot create \"" + outPath + "\"");
        bool ok = WriteHeader() && WriteReservedBlock() && WriteMovieBlock() && WriteFileRecords() &&
                  WriteSecondReservedBlock() && WritePreviewBlock() && WriteDialogBlock() && WriteMovieRecords();
        if (!out_.Close() && ok)
            return Fail("cannot write \"" + outPath + "\"");
        return ok;
    }

private:
    bool Fail(std::string message)
    {
        error_ = std::move(message);
        return false;
    }

    bool CheckNames()
    {
        if (!IsSafeEntryName(pack_.workName))
            return Fail("work name \"" + pack_.workName + "\" must be a plain file name");
        if (pack_.tag.size() + 1 > header::kTagSize || Seal(pack_.tag).size() + 1 > header::kSealedTagSize)
            return Fail("tag \"" + pack_.tag + "\" is longer than 7 characters");
        for (const PackEntry* e : Entries())
            if (!IsSafeEntryName(e->name))
                return Fail("entry name \"" + e->name + "\" must be a plain file name");
        return true;
    }

    std::vector<const PackEntry*> Entries() const
    {
        std::vector<const PackEntry*> all;
        for (const PackEntry& e : pack_.files)
            all.push_back(&e);
        if (pack_.previewKind == 1)
            all.push_back(&pack_.preview);
        if (pack_.pictureKind == 1)
            all.push_back(&pack_.picture);
        for (const PackEntry& e : pack_.movies)
            all.push_back(&e);
        return all;
    }

    // Sizes go into the records before the bytes, so every source is opened first.
    bool MeasureEntries()
    {
        for (const PackEntry* e : Entries()) {
            uint64_t size = e->bytes.size();
            if (!e->sourcePath.empty()) {
                InputFile in;
                if (!in.Open(e->sourcePath))
                    return Fail("cannot read \"" + e->sourcePath + "\"");
                size = in.Size();
            }
            if (size > UINT32_MAX)
                return Fail("\"" + e->name + "\" is larger than 4 GB");
            sizes_[e] = uint32_t(size);
        }
        return true;
    }

    bool Put(const void* data, size_t n)
    {
        if (!out_.Write(data, n))
            return Fail("write failed");
        return true;
    }
    template <size_t N> bool Put(const std::array<uint8_t, N>& block) { return Put(block.data(), N); }

    bool PutZeros(uint64_t n)
    {
        static const std::array<uint8_t, 4096> zeros{};
        while (n > 0) {
            size_t chunk = size_t(std::min<uint64_t>(n, zeros.size()));
            if (!Put(zeros.data(), chunk))
                return false;
            n -= chunk;
        }
        return true;
    }

    bool PutPayload(const PackEntry& e)
    {
        if (e.sourcePath.empty())
            return Put(e.bytes.data(), e.bytes.size());
        InputFile in;
        if (!in.Open(e.sourcePath) || in.Size() != sizes_[&e])
            return Fail("\"" + e.sourcePath + "\" changed while it was packed");
        std::vector<uint8_t> buffer(1 << 20);
        for (uint64_t done = 0; done < in.Size();) {
            size_t n = size_t(std::min<uint64_t>(buffer.size(), in.Size() - done));
            if (!in.ReadAt(done, buffer.data(), n))
                return Fail("cannot read \"" + e.sourcePath + "\"");
            if (!Put(buffer.data(), n))
                return false;
            done += n;
        }
        return true;
    }

    bool StoreText(uint8_t* field, size_t size, const std::string& text, const char* what)
    {
        if (!StoreFieldText(field, size, text))
            return Fail(std::string(what) + " is longer than " + std::to_string(size - 1) + " characters");
        return true;
    }

    bool WriteHeader()
    {
        std::array<uint8_t, kHeaderSize> h{};
        StoreFieldText(&h[header::kSignature], header::kSignatureSize, kSignature);
        StoreFieldText(&h[header::kTag], header::kTagSize, pack_.tag);
        StoreFieldText(&h[header::kSealedSignature], header::kSealedSignatureSize, Seal(kSignature));
        StoreFieldText(&h[header::kSealedTag], header::kSealedTagSize, Seal(pack_.tag));
        if (!StoreText(&h[header::kWorkName], header::kNameSize, pack_.workName, "work name"))
            return false;
        WriteU32LE(&h[header::kMovieCount], uint32_t(pack_.movies.size()));
        return Put(h);
    }

    bool WriteReservedBlock()
    {
        std::array<uint8_t, kReservedBlockSize> r{};
        WriteU32LE(&r[reserved::kTextLength], pack_.reservedTextLength);
        return Put(r) && PutZeros(pack_.reservedTextLength);
    }

    bool WriteMovieBlock()
    {
        std::array<uint8_t, kMovieBlockSize> m{};
        if (!StoreText(&m[movie::kMainMovie], header::kNameSize, pack_.mainMovie, "movie name") ||
            !StoreText(&m[movie::kTitle], header::kNameSize, pack_.title, "title"))
            return false;
        WriteU32LE(&m[movie::kScaleToFit], pack_.scaleToFit);
        WriteU32LE(&m[movie::kExitOnMouse], pack_.exitOnMouse);
        WriteU32LE(&m[movie::kExitOnKey], pack_.exitOnKey);
        WriteU32LE(&m[movie::kFileCount], uint32_t(pack_.files.size()));
        return Put(m);
    }

    template <size_t N> bool WriteRecord(const PackEntry& e)
    {
        std::array<uint8_t, N> r{};
        StoreFieldText(&r[record::kName], header::kNameSize, e.name);
        WriteU32LE(&r[record::kSize], sizes_[&e]);
        return Put(r) && PutPayload(e);
    }

    bool WriteFileRecords()
    {
        for (const PackEntry& e : pack_.files)
            if (!WriteRecord<kFileRecordSize>(e))
                return false;
        return true;
    }

    bool WriteSecondReservedBlock()
    {
        std::array<uint8_t, kSecondReservedBlockSize> r{};
        WriteU32LE(&r[reserved::kPayloadFlag], pack_.reservedPayloadLength ? 1 : 0);
        WriteU32LE(&r[reserved::kPayloadLength], pack_.reservedPayloadLength);
        WriteU32LE(&r[reserved::kTextAgainFlag], pack_.reservedTextAgain ? 1 : 0);
        return Put(r) && PutZeros(pack_.reservedPayloadLength) &&
               PutZeros(pack_.reservedTextAgain ? pack_.reservedTextLength : 0);
    }

    bool WritePreviewBlock()
    {
        std::array<uint8_t, kPreviewBlockSize> p{};
        WriteU32LE(&p[preview::kKind], pack_.previewKind);
        if (pack_.previewKind == 1) {
            StoreFieldText(&p[preview::kName], header::kNameSize, pack_.preview.name);
            WriteU32LE(&p[preview::kSize], sizes_[&pack_.preview]);
        }
        WriteU32LE(&p[preview::kReservedFlag], pack_.previewReservedLength ? 1 : 0);
        WriteU32LE(&p[preview::kReservedLength], pack_.previewReservedLength);
        return Put(p) && (pack_.previewKind != 1 || PutPayload(pack_.preview)) &&
               PutZeros(pack_.previewReservedLength);
    }

    bool WriteDialogBlock()
    {
        std::array<uint8_t, kDialogBlockSize> d{};
        WriteU32LE(&d[dialog::kKind], pack_.pictureKind);
        if (pack_.pictureKind == 1) {
            StoreFieldText(&d[dialog::kName], header::kNameSize, pack_.picture.name);
            WriteU32LE(&d[dialog::kSize], sizes_[&pack_.picture]);
        }
        WriteU32LE(&d[dialog::kAllowExitOptions], pack_.allowExitOptions);
        WriteU32LE(&d[dialog::kAllowMute], pack_.allowMute);
        WriteU32LE(&d[dialog::kShowSiteButton], pack_.showSiteButton);
        if (!StoreText(&d[dialog::kSiteCaption], dialog::kTextSize, pack_.siteCaption, "site caption") ||
            !StoreText(&d[dialog::kSiteAddress], dialog::kTextSize, pack_.siteAddress, "site address"))
            return false;
        return Put(d) && (pack_.pictureKind != 1 || PutPayload(pack_.picture));
    }

    bool WriteMovieRecords()
    {
        for (const PackEntry& e : pack_.movies)
            if (!WriteRecord<kMovieRecordSize>(e))
                return false;
        return true;
    }

    const PackSpec& pack_;
    std::string& error_;
    OutputFile out_;
    std::map<const PackEntry*, uint32_t> sizes_;
};

} // namespace

bool WriteDataFile(const PackSpec& pack, const std::string& outPath, std::string& error)
{
    return Writer(pack, error).Run(outPath);
}

} // namespace glint::datafile
