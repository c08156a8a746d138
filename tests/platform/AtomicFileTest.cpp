#include "TempFolder.h"
#include "core/atomic_file.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
namespace fs = std::filesystem;

bool Write(const std::string& path, const std::string& text)
{
    std::string error;
    return Platform::WriteFileAtomically(path, text.data(), text.size(), error);
}

mode_t ModeOf(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// What one writer puts down: its number, the round, a body sized by both, and an end line, so
// that a copy mixed from two writes or cut short is seen.
std::string Copy(int writer, int round)
{
    return "writer " + std::to_string(writer) + " round " + std::to_string(round) + "\n" +
           std::string(size_t(4096 + 977 * writer + round), char('a' + writer)) + "\nend\n";
}

bool IsWhole(const std::string& text)
{
    int writer = -1, round = -1;
    return std::sscanf(text.c_str(), "writer %d round %d", &writer, &round) == 2 && writer >= 0 &&
           writer < 2 && text == Copy(writer, round);
}
} // namespace

// A link planted at a temporary name is never followed, a linked file of the writer's own is
// written through and stays linked, and the replaced file's mode is kept.
TEST(AtomicFile, LinksAreWrittenThroughButNeverFollowedFromTheTemporaryName)
{
    TempFolder temp;
    temp.Write("victim", "someone else's");
    ASSERT_EQ(chmod((temp.Path() + "/victim").c_str(), 0600), 0);
    const std::string settings = temp.Path() + "/settings.txt";
    fs::create_symlink(temp.Path() + "/victim", settings + ".tmp");
    fs::create_directory(temp.Path() + "/real");
    temp.Write("real/settings.txt", "old");
    ASSERT_EQ(chmod((temp.Path() + "/real/settings.txt").c_str(), 0640), 0);
    fs::create_symlink("real/settings.txt", settings);

    ASSERT_TRUE(Write(settings, "new"));
    EXPECT_EQ(temp.Read("victim"), "someone else's");
    EXPECT_TRUE(fs::is_symlink(settings));
    EXPECT_EQ(temp.Read("real/settings.txt"), "new");
    EXPECT_EQ(ModeOf(temp.Path() + "/real/settings.txt"), 0640u);
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.Path() + "/real"), fs::directory_iterator()), 1);

    // A link to nothing yet makes the file it names; a new file gets the usual mode.
    fs::create_symlink("real/later.txt", temp.Path() + "/later.txt");
    ASSERT_TRUE(Write(temp.Path() + "/later.txt", "made"));
    EXPECT_EQ(temp.Read("real/later.txt"), "made");
    const mode_t mask = umask(022);
    umask(mask);
    EXPECT_EQ(ModeOf(temp.Path() + "/real/later.txt"), 0644u & ~mask);

    // A link someone else planted at the file's own name (in a shared folder) is replaced, never
    // written through: only a link of the writer's own is.
    const std::string planted = temp.Path() + "/clap.wav";
    fs::create_symlink(temp.Path() + "/victim", planted);
    if (lchown(planted.c_str(), geteuid() + 1, getegid()) != 0)
        GTEST_SKIP() << "a link of another user cannot be made here";
    ASSERT_TRUE(Write(planted, "RIFF"));
    EXPECT_EQ(temp.Read("victim"), "someone else's");
    EXPECT_FALSE(fs::is_symlink(planted));
    EXPECT_EQ(temp.Read("clap.wav"), "RIFF");
}

// Two processes write one file over and over while this one reads it: no write fails, every read
// finds one write whole, and the file ends as one writer's last write.
TEST(AtomicFile, TwoWritersAndAReaderInSeparateProcesses)
{
    TempFolder temp;
    const std::string path = temp.Path() + "/shared.txt";
    constexpr int kRounds = 150;
    ASSERT_TRUE(Write(path, Copy(0, 0)));
    pid_t writers[2];
    for (int w = 0; w < 2; w++)
    {
        writers[w] = fork();
        ASSERT_GE(writers[w], 0);
        if (writers[w] == 0)
        {
            int failed = 0;
            for (int round = 1; round <= kRounds; round++)
                failed += Write(path, Copy(w, round)) ? 0 : 1;
            _exit(failed > 0 ? 1 : 0);
        }
    }
    int reads = 0, damaged = 0;
    int status[2] = {0, 0};
    bool done[2] = {false, false};
    while (!done[0] || !done[1])
    {
        damaged += IsWhole(temp.Read("shared.txt")) ? 0 : 1;
        reads++;
        for (int w = 0; w < 2; w++)
            done[w] = done[w] || waitpid(writers[w], &status[w], WNOHANG) == writers[w];
    }
    EXPECT_EQ(damaged, 0) << "of " << reads << " reads";
    for (int w = 0; w < 2; w++)
        EXPECT_TRUE(WIFEXITED(status[w]) && WEXITSTATUS(status[w]) == 0) << "writer " << w;
    const std::string last = temp.Read("shared.txt");
    EXPECT_TRUE(last == Copy(0, kRounds) || last == Copy(1, kRounds));
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.Path()), fs::directory_iterator()), 1);
}

// A name as long as a folder entry holds is written, in ASCII and in UTF-8 letters, though the
// temporary name beside it would be longer; nothing else is left in the folder.
TEST(AtomicFile, LongestNamesAreWritten)
{
    TempFolder temp;
    std::string letters = "a";
    for (int i = 0; i < 127; i++)
        letters += "\u00fc";
    for (const std::string& name : {std::string(255, 'x'), letters})
    {
        ASSERT_EQ(name.size(), 255u);
        std::string error;
        EXPECT_TRUE(Platform::WriteFileAtomically(temp.Path() + "/" + name, "demo", 4, error)) << error;
        EXPECT_EQ(temp.Read(name), "demo");
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.Path()), fs::directory_iterator()), 2);
}
