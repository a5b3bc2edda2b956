#pragma once
// CSkinNode, the common base of everything a skin file holds; CSkinProperty,
// the named view of one field; CSkinDefinition, the base of most window-kind
// definitions. Fields are public: the painters read them directly.
#include "base/Win32Layouts.h"
#include "skin/file/SkinGdiHandles.h"
#include "skin/file/SkinRecords.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace glint {

class CSkinArchive;
class CSkinStore;
class CSkinStream;
class CSkinNode;

enum SkinPropertyKind : uint32_t {
    SKIN_PROP_FONT = 0,    // SkinFont, 64 bytes
    SKIN_PROP_STRING = 1,  // zero-ended text, 51 bytes
    SKIN_PROP_COLOUR = 2,  // COLORREF
    SKIN_PROP_SLICE = 3,   // SkinImageRef
    SKIN_PROP_GRID = 4,    // SkinGridRef
    SKIN_PROP_BOOL = 6,    // i32 0 or 1
    SKIN_PROP_INT = 7,     // i32
    SKIN_PROP_EFFECT = 9,  // SkinTextEffect
    SKIN_PROP_EMPTY = 100, // a record created empty
};

class CSkinProperty {
public:
    CSkinProperty() = default;
    ~CSkinProperty();
    CSkinProperty(const CSkinProperty&) = delete;
    CSkinProperty& operator=(const CSkinProperty&) = delete;

    // Points the property at a field of its object (not owned).
    void Point(uint32_t kind, std::string_view name, void* field, uint32_t size);
    // Copies size bytes into a block of the property's own, freeing the previous one.
    bool SetData(const void* bytes, uint32_t size);
    // Takes size bytes of text; the last byte is forced to zero. size 0: no text.
    bool SetText(const char* bytes, uint32_t size);
    void SetName(std::string_view text);
    void SetDescription(std::string_view text);

    uint32_t kind = SKIN_PROP_EMPTY;
    uint32_t size = 0;
    uint8_t* data = nullptr;
    char* text = nullptr;
    uint32_t textSize = 0; // bytes of text with its zero; 0 when there is none
    char name[31] = {};
    char description[51] = {};
    uint32_t ownsData = 0;
};

using SkinChildMap = std::map<std::string, std::unique_ptr<CSkinNode>, std::less<>>;

class CSkinNode {
public:
    explicit CSkinNode(uint32_t typeCode);
    virtual ~CSkinNode();
    CSkinNode(const CSkinNode&) = delete;
    CSkinNode& operator=(const CSkinNode&) = delete;

    virtual COLORREF KeyColour() const { return RGB(255, 0, 255); }
    // Frees what Prepare made; the base releases the children.
    virtual void Release();
    // Makes fonts, slices and regions once the store is loaded; the base prepares the children.
    virtual void Prepare(CSkinStore& store);
    // Looks the name up upper-cased (at most 98 characters of it).
    virtual CSkinProperty* GetProperty(std::string_view name);
    // The class layout in file order; the one description that reading,
    // writing and the source form all follow.
    virtual void Serialize(CSkinArchive& archive);

    // The type code, then the current layout.
    bool Write(CSkinStream& stream);
    // The layout of the process-wide file version (the type code was read by the caller).
    void Read(CSkinStream& stream);

    // Enters a child under its name; false (and nothing kept) when the name is taken.
    bool AddChild(std::unique_ptr<CSkinNode> child);
    CSkinProperty* AddProperty(uint32_t kind, std::string_view name, std::string_view description, void* data,
                               uint32_t size);
    uint32_t TypeCode() const { return typeCode_; }
    std::string_view Name() const;
    void SetName(std::string_view text);
    const std::map<std::string, std::unique_ptr<CSkinProperty>, std::less<>>& Properties() const
    {
        return properties_;
    }

    SkinChildMap children;
    COLORREF backColour;
    COLORREF textColour;
    COLORREF keyColour = RGB(255, 0, 0);
    RECT designRect = {0, 0, 60, 30};
    int32_t autoPlace = 0;
    char label[51] = {};
    uint32_t tag = 0;
    char name[51] = {};

protected:
    // Table keys are upper-case, so that GetProperty reaches every property
    // whatever case its published name has.
    std::map<std::string, std::unique_ptr<CSkinProperty>, std::less<>> properties_;
    uint32_t typeCode_;
};

// A node with a font, a base image, a control id and the automatic-font switch.
class CSkinDefinition : public CSkinNode {
public:
    // fontProperty and baseImageProperty name what the class publishes them
    // as; a null baseImageProperty leaves the base image unpublished.
    explicit CSkinDefinition(uint32_t typeCode, const char* fontProperty = "FONT",
                             const char* baseImageProperty = nullptr);
    ~CSkinDefinition() override;

    void Release() override;
    void Prepare(CSkinStore& store) override;
    void Serialize(CSkinArchive& archive) override;

    SkinFont font;
    SkinGridRef baseImage = {};
    int32_t controlId = 0;
    uint32_t reserved = 0;
    int32_t autoSkinFont = 0;
    SkinFontHandle fontHandle = nullptr;

protected:
    // The old-file rule: every text effect back to its default (files before 1.9).
    static void ResetEffect(SkinTextEffect& effect) { effect = DefaultTextEffect(); }
};

} // namespace glint
