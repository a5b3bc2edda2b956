#pragma once
// The readable source form of skin objects: every object becomes a JSON
// object whose fields follow its class layout (CSkinArchive), and back.
// Fields equal to the class default are left out of a dump, except colours,
// whose defaults follow the system's colours; a field left out of a source
// takes the class default.
#include "Json.h"

#include <memory>
#include <set>
#include <string>

namespace glint {
class CSkinNode;
class CDibImage;
} // namespace glint

namespace skinc {

// Where a dump writes the pictures of image objects (empty: nowhere).
struct DumpPlace {
    std::string folder;
    std::set<std::string> usedFiles;
};

// The object as a source object, with "type" first.
bool NodeToSource(glint::CSkinNode& node, DumpPlace& place, JsonValue& out, std::string& error);

enum class SourceRole { DEFINITION, IMAGE, OBJECT };

// Builds an object from its source; context names it in messages
// ("definition 'Dialog'"). Picture files are looked up in imageFolder.
std::unique_ptr<glint::CSkinNode> NodeFromSource(const JsonValue& source, SourceRole role, const std::string& context,
                                                 const std::string& imageFolder, std::string& error);

// A BMP or PNG file as a picture; false with a message.
bool LoadPicture(const std::string& path, glint::CDibImage& image, std::string& error);

} // namespace skinc
