// Tests of the file-name parts: folders with dots, hidden files, several dots, upper case.
#include "core/file_name.h"

#include <gtest/gtest.h>

namespace {

TEST(FileName, PartsOfAPath)
{
    const struct {
        const char* path;
        const char* folder;
        const char* name;
        const char* extension;
        const char* without_extension;
        const char* stem;
    } cases[] = {
        {"out", "", "out", "", "out", "out"},
        {"out.PNG", "", "out.PNG", ".png", "out", "out"},
        {"out.old.bmp", "", "out.old.bmp", ".bmp", "out.old", "out.old"},
        {"out.", "", "out.", ".", "out", "out"},
        {".hidden", "", ".hidden", "", ".hidden", ".hidden"},
        {"..x", "", "..x", ".x", ".", "."},
        {"/data/my.pics/out", "/data/my.pics/", "out", "", "/data/my.pics/out", "out"},
        {"/data/my.pics/out.Jpeg", "/data/my.pics/", "out.Jpeg", ".jpeg", "/data/my.pics/out", "out"},
        {"/data/.hidden", "/data/", ".hidden", "", "/data/.hidden", ".hidden"},
        {"dir/", "dir/", "", "", "dir/", ""},
        {"", "", "", "", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(path_folder(c.path), c.folder) << c.path;
        EXPECT_EQ(path_name(c.path), c.name) << c.path;
        EXPECT_EQ(path_extension(c.path), c.extension) << c.path;
        EXPECT_EQ(path_without_extension(c.path), c.without_extension) << c.path;
        EXPECT_EQ(path_stem(c.path), c.stem) << c.path;
    }
    EXPECT_EQ(path_with_extension("a.b/view.PNG", ".jpg"), "a.b/view.jpg");
    EXPECT_EQ(path_with_extension("a.b/view", ".jpg"), "a.b/view.jpg");
}

TEST(FileName, EndsWithInAnyCaseAfterSomething)
{
    const struct {
        const char* path;
        bool json;
    } cases[] = {
        {"r.json", true}, {"R.JSON", true}, {"dir/.json", true}, {".json", false}, {"r.jso", false}, {"json", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(path_ends_with(c.path, ".json"), c.json) << c.path;
}

}  // namespace
