#include "platform/safe_file.h"

#include <gmock/gmock.h>

#include "scratch.h"

namespace satphase {

namespace {

using ::testing::HasSubstr;

namespace fs = std::filesystem;
using scratch::namesIn;
using Names = std::vector<std::string>;

TEST(SafeFile, ReplacesAFileOnlyWhenAskedAndLeavesNoTemporary) {
    const fs::path directory = scratch::directory();
    const fs::path target = directory / "out.csv";
    EXPECT_FALSE(writeFileAtomically(target, "first\n", false));
    const std::optional<std::string> refused = writeFileAtomically(target, "second\n", false);
    ASSERT_TRUE(refused);
    EXPECT_THAT(*refused, HasSubstr(target.string())) << *refused;
    EXPECT_EQ(scratch::read(target), "first\n");
    EXPECT_FALSE(writeFileAtomically(target, "third\n", true));
    EXPECT_EQ(scratch::read(target), "third\n");
    {
        AtomicFile abandoned;  // dropped before commit: the target stays as it was
        ASSERT_FALSE(abandoned.open(target, true));
        ASSERT_FALSE(abandoned.write("never\n"));
    }
    EXPECT_EQ(scratch::read(target), "third\n");
    EXPECT_EQ(namesIn(directory), Names{"out.csv"});

    const std::optional<std::string> missing = writeFileAtomically(directory / "no/x", "", true);
    ASSERT_TRUE(missing);
    EXPECT_THAT(*missing, HasSubstr("No such file or directory")) << *missing;
}

#if !defined(_WIN32)
TEST(SafeFile, NeverWritesThroughALink) {
    const fs::path directory = scratch::directory();
    scratch::write(directory / "victim.txt", "precious\n");
    fs::create_symlink("victim.txt", directory / "out.csv");
    EXPECT_TRUE(writeFileAtomically(directory / "out.csv", "sweep\n", false));
    EXPECT_FALSE(writeFileAtomically(directory / "out.csv", "sweep\n", true));
    EXPECT_FALSE(fs::is_symlink(directory / "out.csv"));  // the link replaced, not followed
    EXPECT_EQ(scratch::read(directory / "out.csv"), "sweep\n");
    EXPECT_EQ(scratch::read(directory / "victim.txt"), "precious\n");
}
#endif

// Without replacing, a taken name is refused before anything is written;
// with it, the old file stays until the whole set is in place.
TEST(SafeFileSet, WritesEveryFileOrNone) {
    const fs::path directory = scratch::directory();
    scratch::write(directory / "b", "user's\n");
    EXPECT_EQ(AtomicFileSet(directory, false).checkFree({"a", "b", "c"}),
              (directory / "b").string() + " already exists");
    {
        AtomicFileSet set(directory, false);
        ASSERT_FALSE(set.add("a", "A"));
        ASSERT_FALSE(set.add("c", "C"));
        EXPECT_EQ(namesIn(directory).size(), 3U);  // b and two temporaries
    }                                              // dropped before commit
    EXPECT_EQ(namesIn(directory), Names{"b"});

    AtomicFileSet set(directory, true);
    ASSERT_FALSE(set.checkFree({"b"}));
    ASSERT_FALSE(set.add("a", "A"));
    ASSERT_FALSE(set.add("b", "new b\n"));
    EXPECT_EQ(scratch::read(directory / "b"), "user's\n");  // until the set is whole
    ASSERT_FALSE(set.commit());
    EXPECT_EQ(namesIn(directory), (Names{"a", "b"}));
    EXPECT_EQ(scratch::read(directory / "b"), "new b\n");
}

// The third rename fails (something took its name meanwhile): the two files
// already in place go, and with replacing, the user's old files come back.
TEST(SafeFileSet, UndoesARenameThatFailsPartWay) {
    const fs::path directory = scratch::directory();
    for (const bool replace : {false, true}) {
        const fs::path folder = directory / (replace ? "replace" : "new");
        fs::create_directories(folder);
        if (replace) {
            scratch::write(folder / "f1", "old\n");
        }
        AtomicFileSet set(folder, replace);
        for (const char* name : {"f0", "f1", "f2", "f3"}) {
            ASSERT_FALSE(set.add(name, "new\n"));
        }
        fs::create_directories(folder / "f2" / "inside");
        const std::optional<std::string> problem = set.commit();
        ASSERT_TRUE(problem);
        EXPECT_THAT(*problem, HasSubstr((folder / "f2").string())) << *problem;
        EXPECT_EQ(namesIn(folder), (replace ? Names{"f1", "f2"} : Names{"f2"}));
        if (replace) {
            EXPECT_EQ(scratch::read(folder / "f1"), "old\n");
        }
    }
}

// What a SIGINT handler calls: every live temporary goes, and the writers
// then fail instead of reporting a file they no longer have.
TEST(SafeFile, RemovesEveryLiveTemporaryOnRequest) {
#if defined(_WIN32)
    GTEST_SKIP() << "Windows removes no file that is still open";
#endif
    const fs::path directory = scratch::directory();
    AtomicFile single;
    ASSERT_FALSE(single.open(directory / "single", false));
    ASSERT_FALSE(single.write("text"));
    AtomicFileSet set(directory / "set", false);
    ASSERT_FALSE(set.prepare());
    ASSERT_FALSE(set.add("one", "1"));
    ASSERT_FALSE(set.add("two", "2"));
    removeTemporaryFiles();
    EXPECT_EQ(namesIn(directory), Names{"set"});
    EXPECT_TRUE(namesIn(directory / "set").empty());
    EXPECT_TRUE(single.commit());
    EXPECT_TRUE(set.commit());
    EXPECT_EQ(namesIn(directory), Names{"set"});
    EXPECT_TRUE(namesIn(directory / "set").empty());
}

}  // namespace

}  // namespace satphase
