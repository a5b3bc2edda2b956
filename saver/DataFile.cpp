#include "saver/DataFile.h"

#include "framework/App.h"
#include "resources/GlintboxIds.h"
#include "saver/SaverApp.h"
#include "saver/SettingsStore.h"
#include "saver/core/DataFileReader.h"
#include "uninstaller/FolderTree.h"

#include <array>
#include <vector>

namespace glint {

std::string ShortPathOf(const std::string& path)
{
    char buffer[MAX_PATH];
    DWORD n = GetShortPathNameA(path.c_str(), buffer, sizeof buffer);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

std::string LongPathOf(const std::string& path)
{
    char buffer[MAX_PATH];
    DWORD n = GetLongPathNameA(path.c_str(), buffer, sizeof buffer);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : path;
}

std::string ProgramPath()
{
    char buffer[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

std::string FolderOf(const std::string& path)
{
    size_t slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

static void ShowDataFileMessage(UINT textId) { fw::ResMessageBox(nullptr, textId, IDS_CAPTION_INFORMATION, MB_OK); }

bool LocateDataFile(const std::string& displayName, std::string& dataPath)
{
    dataPath = FolderOf(ShortPathOf(ProgramPath())) + "\\" + displayName + ".dat";
    if (GetFileAttributesA(dataPath.c_str()) == INVALID_FILE_ATTRIBUTES) {
        ShowDataFileMessage(IDS_NO_DATA_FILE);
        return false;
    }
    InputFile file;
    if (!file.Open(dataPath)) {
        ShowDataFileMessage(IDS_BAD_DATA_FILE);
        return false;
    }
    std::array<uint8_t, datafile::kHeaderSize> header{};
    file.ReadAt(0, header.data(), size_t(std::min<uint64_t>(header.size(), file.Size())));
    if (!datafile::HasSignature(header.data(), header.size())) {
        ShowDataFileMessage(IDS_FOREIGN_DATA_FILE);
        return false;
    }
    return true;
}

// Wiped and made anew. What is left there after the wipe is used only when it
// is a real folder: files written through a link would land wherever it points.
static bool MakeWorkFolder(const std::string& path)
{
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        DeleteFolderTree(path);
    if (CreateDirectoryA(path.c_str(), nullptr))
        return true;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool LoadDataFile(const std::string& dataPath)
{
    datafile::FileSource source;
    if (!source.Open(dataPath)) {
        ShowDataFileMessage(IDS_BAD_DATA_FILE);
        return false;
    }
    // Everything is checked before the work folder is touched.
    datafile::ScanResult scan = datafile::Scan(source);
    if (scan.error != datafile::ScanError::None) {
        ShowDataFileMessage(IDS_BAD_DATA_FILE);
        return false;
    }

    const std::string workFolder = FolderOf(ProgramPath()) + "\\_swf_" + scan.contents.workName + "_work";
    if (!MakeWorkFolder(workFolder)) {
        ShowDataFileMessage(IDS_BAD_DATA_FILE);
        return false;
    }

    for (const datafile::Payload& payload : scan.contents.payloads) {
        if (!datafile::ExtractPayload(source, payload, workFolder + "\\" + payload.name)) {
            // A half-filled work folder must not pass for a good one.
            DeleteFolderTree(workFolder);
            ShowDataFileMessage(IDS_BAD_DATA_FILE);
            return false;
        }
    }

    ApplyContents(scan.contents, workFolder, '\\', runSettings);
    ReadStoredExitRules(runSettings);
    return true;
}

void DeleteFolderTree(const std::string& path) { DeleteFolderTreeNoFollow(path); }

} // namespace glint
