// Requesters: pattern lists, the default-file split, script answers and the working directory.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <string>

#include "gui/platform.h"
#include "gui/requester_args.h"
#include "gui_fixture.h"

namespace {

using Requesters = GuiTest;
using Pairs = std::vector<std::pair<std::string, std::string>>;

TEST(RequesterArgs, PatternLists)
{
    const std::pair<const char*, Pairs> cases[] = {
        {"View File (*.*)| *.*", {{"View File (*.*)", " *.*"}}},
        {"*.jpg", {{"*.jpg", "*.jpg"}}},
        {"Text|*.txt|All| *", {{"Text", "*.txt"}, {"All", " *"}}},
        {"Text|*.txt||*.x", {{"Text", "*.txt"}}},
        {"Text|*.txt|Last", {{"Text", "*.txt"}, {"Last", "Last"}}},
        {"", {}},
        {"|", {}},
    };
    for (const auto& [pattern, expected] : cases)
        EXPECT_EQ(req_pattern_list(pattern), expected) << pattern;
}

TEST(RequesterArgs, DefaultFileSplitsAtTheLastSlash)
{
    struct Case {
        const char* default_file;
        const char* folder;
        const char* name;
    };
    const Case cases[] = {
        {"*.*", "", ""},
        {"/home/u/out.jpg", "/home/u", "out.jpg"},
        {"/home/u/", "/home/u", ""},
        {"/out.jpg", "", ""},  // the slash is the first character: whole text, not a plain name
        {"out.jpg", "", "out.jpg"},
        {"/data/a:b", "/data", ""},
        {"/data/ view .jpg", "/data", " view .jpg"},
        {"", "", ""},
        {"/w//home/u/pic.jpg", "/w//home/u", "pic.jpg"},
    };
    for (const Case& c : cases) {
        std::string folder = "stale", name = "stale";
        req_split_default(c.default_file, folder, name);
        EXPECT_EQ(folder, c.folder) << c.default_file;
        EXPECT_EQ(name, c.name) << c.default_file;
    }
    std::string folder, name;
    req_split_default("/d/" + std::string(400, 'n'), folder, name);
    EXPECT_EQ(name.size(), 259u);
}

TEST(RequesterArgs, PlainFileNames)
{
    for (const char* bad : {"", "a*b", "a?b", "a|b", "a\"b", "a<b", "a>b", "a\\b", "a/b", "a:b", "a\tb"})
        EXPECT_FALSE(req_plain_file_name(bad)) << bad;
    for (const char* good : {"out.jpg", " spaced name", "x", "\xe9t\xe9.jpg"})
        EXPECT_TRUE(req_plain_file_name(good)) << good;
}

std::string cwd()
{
    char path[PATH_MAX];
    return getcwd(path, sizeof path) ? path : "";
}

TEST_F(Requesters, AnswersComeFromTheScript)
{
    const std::string before = cwd();
    headless_answer("/data/model.txt");
    EXPECT_EQ(req_open_file("Open", "*.*", "View File (*.*)| *.*", 0), "/data/model.txt");
    EXPECT_EQ(req_save_file("Save as jpeg", "/w/out.jpg", "*.jpg", 0), "");  // script empty: cancel
    headless_answer("");
    EXPECT_EQ(req_open_file("Open", "", "", 3), "");
    EXPECT_EQ(cwd(), before);

    const auto& requests = headless_requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].title, "Open");
    EXPECT_EQ(requests[0].folder, "");
    EXPECT_EQ(requests[0].name, "");
    EXPECT_EQ(requests[0].pattern, "View File (*.*)| *.*");
    EXPECT_FALSE(requests[0].save);
    EXPECT_EQ(requests[1].folder, "/w");
    EXPECT_EQ(requests[1].name, "out.jpg");
    EXPECT_TRUE(requests[1].save);
}

TEST_F(Requesters, MessagesAreRecordedAndAnsweredOk)
{
    EXPECT_EQ(req_message("Notice", "Image Saved as: /w/v.jpg", REQ_ICON_INFORMATION), REQ_OK);
    req_message_ok("Warning", "Can not Save the file!");
    const auto& messages = headless_messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].title, "Notice");
    EXPECT_EQ(messages[0].flags, REQ_ICON_INFORMATION);
    EXPECT_EQ(messages[1].text, "Can not Save the file!");
    EXPECT_EQ(messages[1].flags, 0u);
}

TEST_F(Requesters, QuestionsAnswerFromTheScriptAndNoWhenItIsEmpty)
{
    headless_answer_question(true);
    headless_answer_question(false);
    EXPECT_TRUE(req_yes_no("Notice", "/w/out.jpg exists. Replace it?"));
    EXPECT_FALSE(req_yes_no("Notice", "second"));
    EXPECT_FALSE(req_yes_no("Notice", "third"));  // script empty: No
    const auto& questions = headless_questions();
    ASSERT_EQ(questions.size(), 3u);
    EXPECT_EQ(questions[0].title, "Notice");
    EXPECT_EQ(questions[0].text, "/w/out.jpg exists. Replace it?");
    EXPECT_TRUE(headless_messages().empty());
}

// A backend whose file dialog moves the process to another folder, as FLTK's chooser does.
class WanderingDialogs : public Platform {
public:
    std::string file_dialog(const FileDialogSpec&) override { return chdir("/") == 0 ? "/chosen" : ""; }
};

TEST(RequesterFolder, TheWorkingFolderComesBackEvenWhenItsPathCannotBeNamed)
{
    const int home = open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(home, 0);
    const std::filesystem::path gone = std::filesystem::temp_directory_path() /
                                       ("kelvaro_gone_" + std::to_string(getpid()));
    std::filesystem::create_directory(gone);
    ASSERT_EQ(chdir(gone.c_str()), 0);
    struct stat before {};
    ASSERT_EQ(stat(".", &before), 0);
    std::filesystem::remove(gone);  // getcwd fails from now on
    char path[PATH_MAX];
    EXPECT_EQ(getcwd(path, sizeof path), nullptr);

    WanderingDialogs wandering;
    platform_set(&wandering);
    EXPECT_EQ(req_open_file("Open", "/tmp/x", "*.*", 0), "/chosen");
    EXPECT_EQ(req_save_file("Save", "", "*.jpg", 0), "/chosen");
    platform_set(nullptr);
    struct stat after {};
    EXPECT_EQ(stat(".", &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_dev, before.st_dev);
    EXPECT_EQ(fchdir(home), 0);
    close(home);
}

}  // namespace
