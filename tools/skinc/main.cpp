// skinc: compiles a skin source (JSON plus BMP or PNG pictures) into the
// compressed skin container, and turns a container back into its source.
//   skinc build SOURCE.json OUT.skin [--images DIR]
//   skinc dump IN.skin OUTDIR
//   skinc info IN.skin
//   skinc bench IN.skin [ROUNDS]
//   skinc expand IN.skin OUT      (the uncompressed skin file, for fuzzing seeds)
#include "Json.h"
#include "SourceForm.h"

#include "base/File.h"
#include "image/DibImage.h"
#include "skin/file/SkinObjects.h"
#include "skin/file/SkinStore.h"
#include "skin/file/SkinStream.h"
#include "skin/file/SkinTypes.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

using namespace glint;
using skinc::JsonValue;

namespace {

constexpr const char* kFormatTag = "glazework-skin";
// The header bytes that no reader interprets, kept by dump and build.
constexpr size_t kHeaderSpareStart = 22, kHeaderSpareEnd = 176;
constexpr size_t kHeaderTailStart = 180;

int Usage()
{
    std::fprintf(stderr,
                 "usage: skinc build SOURCE.json OUT.skin [--images DIR]\n"
                 "       skinc dump IN.skin OUTDIR\n"
                 "       skinc info IN.skin\n"
                 "       skinc bench IN.skin [ROUNDS]\n"
                 "       skinc expand IN.skin OUT\n");
    return 2;
}

int Fail(const std::string& message)
{
    std::fprintf(stderr, "skinc: %s\n", message.c_str());
    return 1;
}

std::string HexOf(const uint8_t* data, size_t size)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (size_t i = 0; i < size; ++i) {
        text += digits[data[i] >> 4];
        text += digits[data[i] & 15];
    }
    return text;
}

bool HexInto(const JsonValue& value, uint8_t* out, size_t size)
{
    if (value.type != JsonValue::STRING || value.text.size() != size * 2)
        return false;
    for (size_t i = 0; i < size; ++i) {
        unsigned byte = 0;
        if (std::sscanf(value.text.c_str() + i * 2, "%2x", &byte) != 1 || !std::isxdigit(uint8_t(value.text[i * 2])) ||
            !std::isxdigit(uint8_t(value.text[i * 2 + 1])))
            return false;
        out[i] = uint8_t(byte);
    }
    return true;
}

bool AllZero(const uint8_t* data, size_t size)
{
    return std::all_of(data, data + size, [](uint8_t b) { return b == 0; });
}

// Loads a container file into a store, with a message naming what is wrong.
bool LoadSkinFile(const std::string& path, CSkinStore& store, std::string& error)
{
    std::string bytes;
    if (!ReadWholeFile(path, bytes)) {
        error = "cannot read " + path;
        return false;
    }
    if (bytes.size() > UINT32_MAX) {
        error = path + ": too large for a skin container";
        return false;
    }
    CSkinStream container(bytes.data(), uint32_t(bytes.size()), SKIN_STREAM_GROW_STEP);
    if (store.Load(container))
        return true;
    switch (store.LastError()) {
    case SKIN_ERROR_CONTAINER:
        error = path + ": not a skin container (its LZO data does not expand to the length it announces)";
        break;
    case SKIN_ERROR_HEADER: error = path + ": the skin file is shorter than its 188-byte header"; break;
    case SKIN_ERROR_MAGIC:
        error = path + ": not a Glazework skin file (magic \"GLAZEWORK_SKIN_FILE\" or major version 1 missing)";
        break;
    default: error = path + ": cannot be loaded"; break;
    }
    return false;
}

// ---- build ----

bool AddFromList(const JsonValue& root, const char* key, skinc::SourceRole role, const char* what,
                 const std::string& folder, CSkinStore& store, std::string& error)
{
    const JsonValue* list = root.Find(key);
    if (!list)
        return true;
    if (list->type != JsonValue::ARRAY) {
        error = std::string("field '") + key + "': expected an array of objects";
        return false;
    }
    std::vector<std::string> names;
    for (size_t i = 0; i < list->items.size(); ++i) {
        const JsonValue& item = list->items[i];
        const JsonValue* name = item.type == JsonValue::OBJECT ? item.Find("name") : nullptr;
        std::string label = "#";
        label += std::to_string(i + 1);
        if (name && name->type == JsonValue::STRING)
            label = "'" + name->text + "'";
        std::string context = what;
        context += ' ';
        context += label;
        auto node = skinc::NodeFromSource(item, role, context, folder, error);
        if (!node)
            return false;
        const std::string nodeName(node->Name());
        if (std::find(names.begin(), names.end(), nodeName) != names.end()) {
            error = std::string(what) + " " + label + ": field 'name': another " + what + " has that name";
            return false;
        }
        names.push_back(nodeName);
        if (role == skinc::SourceRole::DEFINITION)
            store.AddDefinition(std::move(node));
        else if (role == skinc::SourceRole::IMAGE)
            store.AddImage(std::unique_ptr<CSkinImage>(static_cast<CSkinImage*>(node.release())));
        else
            store.AddObject(std::move(node));
    }
    return true;
}

int Build(const std::string& sourcePath, const std::string& outPath, std::string folder)
{
    if (folder.empty())
        folder = std::filesystem::path(sourcePath).parent_path().string();
    if (folder.empty())
        folder = ".";
    std::string text, error;
    if (!ReadWholeFile(sourcePath, text))
        return Fail("cannot read " + sourcePath);
    JsonValue root;
    if (!skinc::ParseJson(text, root, error))
        return Fail(sourcePath + ": " + error);
    if (root.type != JsonValue::OBJECT)
        return Fail(sourcePath + ": expected an object at the top");
    for (const auto& [key, value] : root.members)
        if (key != "format" && key != "header" && key != "headerTail" && key != "definitions" && key != "images" &&
            key != "objects")
            return Fail(sourcePath + ": unknown field '" + key + "'");
    const JsonValue* format = root.Find("format");
    if (!format || format->type != JsonValue::STRING || format->text != kFormatTag)
        return Fail(sourcePath + ": field 'format': expected \"" + kFormatTag + "\"");

    std::array<uint8_t, SKIN_HEADER_SIZE> header = {};
    if (const JsonValue* spare = root.Find("header"))
        if (!HexInto(*spare, header.data() + kHeaderSpareStart, kHeaderSpareEnd - kHeaderSpareStart))
            return Fail(sourcePath + ": field 'header': expected " +
                        std::to_string((kHeaderSpareEnd - kHeaderSpareStart) * 2) + " hex digits");
    if (const JsonValue* tail = root.Find("headerTail"))
        if (!HexInto(*tail, header.data() + kHeaderTailStart, SKIN_HEADER_SIZE - kHeaderTailStart))
            return Fail(sourcePath + ": field 'headerTail': expected 16 hex digits");

    CSkinStore store;
    store.SetHeader(header);
    if (!AddFromList(root, "definitions", skinc::SourceRole::DEFINITION, "definition", folder, store, error) ||
        !AddFromList(root, "images", skinc::SourceRole::IMAGE, "image", folder, store, error) ||
        !AddFromList(root, "objects", skinc::SourceRole::OBJECT, "object", folder, store, error))
        return Fail(sourcePath + ": " + error);

    CSkinStream file(SKIN_STREAM_GROW_STEP);
    std::vector<uint8_t> container;
    if (!store.Save(file) || !CompressContainer(file.Data(), file.Size(), container))
        return Fail("out of memory while writing " + outPath);
    if (!WriteWholeFile(outPath, container.data(), container.size()))
        return Fail("cannot write " + outPath);

    // What was written must read back whole.
    CSkinStore check;
    if (!LoadSkinFile(outPath, check, error) || check.ConsumedSize() != check.FileSize())
        return Fail(outPath + ": the written skin does not read back whole");
    std::printf("%s: %zu definitions, %zu images, %zu objects; %zu bytes (%u expanded)\n", outPath.c_str(),
                store.Definitions().size(), store.Images().size(), store.Objects().size(), container.size(),
                file.Size());
    return 0;
}

// ---- dump ----

int Dump(const std::string& inPath, const std::string& folder)
{
    CSkinStore store;
    std::string error;
    if (!LoadSkinFile(inPath, store, error))
        return Fail(error);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!std::filesystem::is_directory(folder))
        return Fail("cannot create the folder " + folder);

    JsonValue root = JsonValue::Object();
    root.Set("format", JsonValue::String(kFormatTag));
    const auto& header = store.Header();
    if (!AllZero(header.data() + kHeaderSpareStart, kHeaderSpareEnd - kHeaderSpareStart))
        root.Set("header", JsonValue::String(HexOf(header.data() + kHeaderSpareStart, kHeaderSpareEnd - kHeaderSpareStart)));
    if (!AllZero(header.data() + kHeaderTailStart, SKIN_HEADER_SIZE - kHeaderTailStart))
        root.Set("headerTail", JsonValue::String(HexOf(header.data() + kHeaderTailStart, SKIN_HEADER_SIZE - kHeaderTailStart)));

    skinc::DumpPlace place{folder, {"skin.json"}};
    auto dumpAll = [&](const auto& map, const char* key) {
        JsonValue list = JsonValue::Array();
        for (const auto& [name, node] : map) {
            JsonValue item;
            if (!skinc::NodeToSource(*node, place, item, error))
                return false;
            list.items.push_back(std::move(item));
        }
        root.Set(key, std::move(list));
        return true;
    };
    if (!dumpAll(store.Definitions(), "definitions") || !dumpAll(store.Images(), "images") ||
        !dumpAll(store.Objects(), "objects"))
        return Fail(error);
    const std::string jsonPath = folder + "/skin.json";
    const std::string json = skinc::WriteJson(root);
    if (!WriteWholeFile(jsonPath, json.data(), json.size()))
        return Fail("cannot write " + jsonPath);
    if (store.ConsumedSize() != store.FileSize())
        std::fprintf(stderr, "skinc: note: %s has %u bytes after its last record, which a rebuilt skin will not have\n",
                     inPath.c_str(), store.FileSize() - store.ConsumedSize());
    std::printf("%s: %zu definitions, %zu images, %zu objects\n", jsonPath.c_str(), store.Definitions().size(),
                store.Images().size(), store.Objects().size());
    return 0;
}

// ---- info ----

void ListNode(const CSkinNode& node, int depth)
{
    const char* type = SkinTypeName(node.TypeCode());
    std::printf("%*s%-24.*s type %3u %s\n", 2 + depth * 2, "", int(node.Name().size()), node.Name().data(),
                node.TypeCode(), type ? type : "?");
    for (const auto& [name, child] : node.children)
        ListNode(*child, depth + 1);
}

int Info(const std::string& inPath)
{
    CSkinStore store;
    std::string error;
    if (!LoadSkinFile(inPath, store, error))
        return Fail(error);
    const auto& header = store.Header();
    std::printf("magic       %.19s\n", reinterpret_cast<const char*>(header.data()));
    std::printf("version     %u.%u\n", header[20], header[21]);
    std::printf("expanded    %u bytes, %u read by the loader\n", store.FileSize(), store.ConsumedSize());
    std::printf("definitions %zu\n", store.Definitions().size());
    for (const auto& [name, node] : store.Definitions())
        ListNode(*node, 0);
    std::printf("images      %zu\n", store.Images().size());
    for (const auto& [name, image] : store.Images()) {
        const CDibImage& picture = image->image;
        std::printf("  %-24.*s type %3u %s, %d x %d, %u bits, stored as %s\n", int(image->Name().size()),
                    image->Name().data(), image->TypeCode(), SkinTypeName(image->TypeCode()), picture.Width(),
                    picture.Height(), picture.BitCount(), FormatName(image->format));
    }
    std::printf("objects     %zu\n", store.Objects().size());
    for (const auto& [name, node] : store.Objects())
        ListNode(*node, 0);
    return 0;
}

// ---- expand ----

int Expand(const std::string& inPath, const std::string& outPath)
{
    std::string bytes;
    if (!ReadWholeFile(inPath, bytes) || bytes.size() > UINT32_MAX)
        return Fail("cannot read " + inPath);
    CSkinStream file(SKIN_STREAM_GROW_STEP);
    if (!ExpandContainer(reinterpret_cast<const uint8_t*>(bytes.data()), uint32_t(bytes.size()), file))
        return Fail(inPath + ": not a skin container (its LZO data does not expand to the length it announces)");
    if (!WriteWholeFile(outPath, file.Data(), file.Size()))
        return Fail("cannot write " + outPath);
    return 0;
}

// ---- bench ----

int Bench(const std::string& inPath, int rounds)
{
    std::string bytes;
    if (!ReadWholeFile(inPath, bytes))
        return Fail("cannot read " + inPath);
    CSkinStream container(bytes.data(), uint32_t(bytes.size()), SKIN_STREAM_GROW_STEP);
    using Clock = std::chrono::steady_clock;
    // Best of the rounds, for each in turn, interleaved so that both see the same machine.
    double bestExpand = 1e30, bestLoad = 1e30;
    for (int round = 0; round < rounds; ++round) {
        const auto t0 = Clock::now();
        CSkinStream file(SKIN_STREAM_GROW_STEP);
        if (!ExpandContainer(container.Data(), container.Size(), file))
            return Fail(inPath + ": not a skin container");
        const auto t1 = Clock::now();
        CSkinStore store;
        if (!store.Load(container))
            return Fail(inPath + ": does not load");
        const auto t2 = Clock::now();
        bestExpand = std::min(bestExpand, std::chrono::duration<double, std::milli>(t1 - t0).count());
        bestLoad = std::min(bestLoad, std::chrono::duration<double, std::milli>(t2 - t1).count());
    }
    std::printf("expand alone                   %.3f ms\n", bestExpand);
    std::printf("load (expand, parse, prepare)  %.3f ms\n", bestLoad);
    std::printf("ratio                          %.2f (limit 3.00)\n", bestLoad / bestExpand);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    const std::string command = argv[1];
    if (command == "build" && (argc == 4 || (argc == 6 && std::strcmp(argv[4], "--images") == 0)))
        return Build(argv[2], argv[3], argc == 6 ? argv[5] : "");
    if (command == "dump" && argc == 4)
        return Dump(argv[2], argv[3]);
    if (command == "expand" && argc == 4)
        return Expand(argv[2], argv[3]);
    if (command == "info" && argc == 3)
        return Info(argv[2]);
    if (command == "bench" && (argc == 3 || argc == 4)) {
        const int rounds = argc == 4 ? std::atoi(argv[3]) : 50;
        if (rounds < 1 || rounds > 100000)
            return Fail("ROUNDS: expected a number from 1 to 100000");
        return Bench(argv[2], rounds);
    }
    return Usage();
}
