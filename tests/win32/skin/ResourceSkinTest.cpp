// The default skin as Glintbox.scr carries it: resource "DEFAULT_SKIN" of
// type "GLAZE_WORK", loaded the way the skin runtime loads it.
#include <windows.h>

#include "skin/file/SkinStore.h"
#include "skin/file/SkinStream.h"

#include <gtest/gtest.h>

using namespace glint;

namespace {

TEST(GlintboxResource, DefaultSkinResourceLoads)
{
    HMODULE program = LoadLibraryExA(GLINT_SAVER_PROGRAM, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program, nullptr) << GLINT_SAVER_PROGRAM;
    HRSRC found = FindResourceA(program, "DEFAULT_SKIN", "GLAZE_WORK");
    ASSERT_NE(found, nullptr);
    HGLOBAL loaded = LoadResource(program, found);
    ASSERT_NE(loaded, nullptr);
    const void* bytes = LockResource(loaded);
    const DWORD size = SizeofResource(program, found);
    ASSERT_NE(bytes, nullptr);
    CSkinStream container(bytes, size, SKIN_STREAM_GROW_STEP);
    CSkinStore store;
    EXPECT_TRUE(store.Load(container)) << "last error " << store.LastError();
    EXPECT_EQ(store.Definitions().size(), 10u);
    EXPECT_EQ(store.Images().size(), 2u);
    EXPECT_EQ(store.ConsumedSize(), store.FileSize());
    EXPECT_NE(store.FindByName("Dialog"), nullptr);
    FreeLibrary(program);
}

} // namespace
