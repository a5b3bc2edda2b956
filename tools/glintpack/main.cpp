// glintpack: writes a screensaver data file, lists one, or extracts one the way
// the screensaver does.
#include "base/File.h"
#include "saver/core/DataFileReader.h"
#include "saver/core/DataFileWriter.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace glint;
using namespace glint::datafile;

namespace {

const char kUsage[] =
    "usage:\n"
    "  glintpack build OUT.dat --movie FILE [options]\n"
    "  glintpack list FILE.dat\n"
    "  glintpack extract FILE.dat FOLDER\n"
    "\n"
    "build options:\n"
    "  --movie FILE            the movie that plays (embedded as a file, named after it)\n"
    "  --file FILE             an extra file for the work folder (repeatable)\n"
    "  --movie-record FILE     a movie record at the end of the file; the last one plays (repeatable)\n"
    "  --preview FILE          a separate preview: a movie (.swf) or a picture (BMP, JPEG, PNG, GIF, TIFF...);\n"
    "                          default: the preview plays the movie\n"
    "  --no-preview            the preview shows nothing\n"
    "  --picture FILE          the settings dialog's picture (BMP, JPEG, PNG, GIF, TIFF...) or movie (.swf);\n"
    "                          default: the dialog shows the movie\n"
    "  --no-picture            the dialog's picture frame stays empty\n"
    "  --work-name NAME        name of the work folder (default: the movie's name without extension)\n"
    "  --title TEXT            the movie's title\n"
    "  --tag TEXT              a short tag of up to 7 characters (default GLINT)\n"
    "  --scale-to-fit 0|1      1: always scale the movie to the screen (default 1)\n"
    "  --exit-mouse 0|1        default of 'end on mouse move' (default 1)\n"
    "  --exit-key 0|1          default of 'end on any key' (default 1)\n"
    "  --allow-exit-options 0|1  the dialog lets the user change the exit rules (default 1)\n"
    "  --allow-mute 0|1        the dialog lets the user mute the sound (default 1)\n"
    "  --site CAPTION URL      show a site button with this caption and address\n";

int Usage(const char* problem)
{
    std::fprintf(stderr, "glintpack: %s\n\n%s", problem, kUsage);
    return 2;
}

std::string BaseName(const std::string& path)
{
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string WithoutExtension(const std::string& name)
{
    size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

PackEntry EntryFor(const std::string& path) { return PackEntry{BaseName(path), path, {}}; }

bool ParseSwitch(const char* text, uint32_t& out)
{
    if (std::strcmp(text, "0") == 0 || std::strcmp(text, "1") == 0) {
        out = uint32_t(text[0] - '0');
        return true;
    }
    return false;
}

int Build(int argc, char** argv)
{
    if (argc < 3)
        return Usage("build needs an output file");
    const std::string outPath = argv[2];
    PackSpec pack;
    std::string moviePath, workName;
    bool workNameGiven = false;
    for (int i = 3; i < argc; ++i) {
        std::string opt = argv[i];
        auto value = [&](const char*& out) {
            if (i + 1 >= argc)
                return false;
            out = argv[++i];
            return true;
        };
        const char* v = nullptr;
        uint32_t* flag = nullptr;
        if (opt == "--no-preview") {
            pack.previewKind = 2;
            continue;
        }
        if (opt == "--no-picture") {
            pack.pictureKind = 2;
            continue;
        }
        if (opt == "--site") {
            if (i + 2 >= argc)
                return Usage("--site needs a caption and an address");
            pack.showSiteButton = 1;
            pack.siteCaption = argv[++i];
            pack.siteAddress = argv[++i];
            continue;
        }
        if (!value(v))
            return Usage(("option " + opt + " needs a value").c_str());
        if (opt == "--movie")
            moviePath = v;
        else if (opt == "--file")
            pack.files.push_back(EntryFor(v));
        else if (opt == "--movie-record")
            pack.movies.push_back(EntryFor(v));
        else if (opt == "--preview") {
            pack.previewKind = 1;
            pack.preview = EntryFor(v);
        } else if (opt == "--picture") {
            pack.pictureKind = 1;
            pack.picture = EntryFor(v);
        } else if (opt == "--work-name") {
            workName = v;
            workNameGiven = true;
        } else if (opt == "--title")
            pack.title = v;
        else if (opt == "--tag")
            pack.tag = v;
        else if (opt == "--scale-to-fit")
            flag = &pack.scaleToFit;
        else if (opt == "--exit-mouse")
            flag = &pack.exitOnMouse;
        else if (opt == "--exit-key")
            flag = &pack.exitOnKey;
        else if (opt == "--allow-exit-options")
            flag = &pack.allowExitOptions;
        else if (opt == "--allow-mute")
            flag = &pack.allowMute;
        else
            return Usage(("unknown option " + opt).c_str());
        if (flag && !ParseSwitch(v, *flag))
            return Usage((opt + " takes 0 or 1, not \"" + v + "\"").c_str());
    }
    if (moviePath.empty())
        return Usage("build needs --movie FILE");
    PackEntry movie = EntryFor(moviePath);
    pack.mainMovie = movie.name;
    pack.files.insert(pack.files.begin(), movie);
    pack.workName = workNameGiven ? workName : WithoutExtension(movie.name);

    std::string error;
    if (!WriteDataFile(pack, outPath, error)) {
        std::fprintf(stderr, "glintpack: %s\n", error.c_str());
        std::remove(outPath.c_str());
        return 1;
    }
    return 0;
}

const char* ScanErrorText(ScanError e)
{
    switch (e) {
    case ScanError::None: return "ok";
    case ScanError::ForeignSignature: return "not a screensaver data file";
    case ScanError::BadSeal: return "the sealed header texts do not match";
    case ScanError::UnsafeName: return "unsafe name";
    case ScanError::PayloadTooLarge: return "truncated";
    }
    return "?";
}

bool OpenAndScan(const char* path, FileSource& source, ScanResult& result)
{
    if (!source.Open(path)) {
        std::fprintf(stderr, "glintpack: cannot open \"%s\"\n", path);
        return false;
    }
    result = Scan(source);
    if (result.error != ScanError::None) {
        std::fprintf(stderr, "glintpack: %s: %s: %s\n", path, ScanErrorText(result.error), result.detail.c_str());
        return false;
    }
    return true;
}

int List(const char* path)
{
    FileSource source;
    ScanResult r;
    if (!OpenAndScan(path, source, r))
        return 1;
    const Contents& c = r.contents;
    std::printf("header:   signature \"%s\", tag \"%s\", work name \"%s\", movie records %d\n", c.signature.c_str(),
                c.tag.c_str(), c.workName.c_str(), c.movieCount);
    std::printf("reserved: text length %u (read %u times), reserved payloads %u\n", c.reservedTextLength,
                c.reservedTextReads, c.reservedPayloads);
    std::printf("movie:    main \"%s\", title \"%s\", scale-to-fit %u, exit-mouse %u, exit-key %u, files %u\n",
                c.mainMovie.c_str(), c.title.c_str(), c.scaleToFit, c.exitOnMouse, c.exitOnKey, c.fileCount);
    std::printf("preview:  kind %u, name \"%s\"\n", c.previewKind, c.previewName.c_str());
    std::printf("dialog:   picture kind %u, name \"%s\", allow-exit-options %u, allow-mute %u, site button %u, "
                "caption \"%s\", address \"%s\"\n",
                c.pictureKind, c.pictureName.c_str(), c.allowExitOptions, c.allowMute, c.showSiteButton,
                c.siteCaption.c_str(), c.siteAddress.c_str());
    for (const Payload& p : c.payloads)
        std::printf("%-15s \"%s\" %u bytes at %llu\n", PayloadKindName(p.kind), p.name.c_str(), p.size,
                    static_cast<unsigned long long>(p.offset));
    std::printf("plays:    \"%s\"\n", c.PlayedMovieName().c_str());
    return 0;
}

int Extract(const char* path, const std::string& folder)
{
    FileSource source;
    ScanResult r;
    if (!OpenAndScan(path, source, r))
        return 1;
    for (const Payload& p : r.contents.payloads) {
        std::string target = folder + "/" + p.name;
        if (!ExtractPayload(source, p, target)) {
            std::fprintf(stderr, "glintpack: cannot write \"%s\"\n", target.c_str());
            return 1;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage("no command");
    std::string command = argv[1];
    if (command == "build")
        return Build(argc, argv);
    if (command == "list")
        return argc == 3 ? List(argv[2]) : Usage("list needs one file");
    if (command == "extract")
        return argc == 4 ? Extract(argv[2], argv[3]) : Usage("extract needs a file and a folder");
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    return Usage(("unknown command " + command).c_str());
}
