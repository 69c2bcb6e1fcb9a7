// Unit tests of the INI store: the profile API's reading rules and the safe replacement of a write.

#include "platform/common/IniFile.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#ifndef _WIN32
#include <csignal>
#include <fcntl.h>
#include <random>
#include <set>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace
{
using TestSupport::kNewLine;

using TempFolder = TestSupport::TempDir;
using TestSupport::ReadFile;
using TestSupport::WriteFile;

// A file of head, NUL bytes left as a hole, and tail, length bytes in all.
void PutSparse(const std::string& path, const std::string& head, std::uintmax_t length, const std::string& tail)
{
    WriteFile(path, head);
    fs::resize_file(path, length - tail.size());
    std::ofstream(path, std::ios::binary | std::ios::app) << tail;
}
}   // namespace

TEST(IniFile, ReadFollowsProfileLookupRules)
{
    const TempFolder tmp;
    struct Case
    {
        const char* name;
        std::string file;
        const char* section;
        const char* key;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"names ignore case", "[Snow]\nSpeed=3\n", "sNOW", "SPEED", "3"},
        {"blanks trimmed", " \t[ Snow ]\v\n \fSpeed \t= \t3 4\v\n", " Snow ", "Speed ", "3 4"},
        {"double quotes", "[s]\nk= \"a b\" \n", "s", "k", "a b"},
        {"single quotes", "[s]\nk='a'\n", "s", "k", "a"},
        {"unpaired quotes kept", "[s]\nk=\"a'\n", "s", "k", "\"a'"},
        {"lone quote kept", "[s]\nk=\"\n", "s", "k", "\""},
        {"empty quotes", "[s]\nk=\"\"\n", "s", "k", ""},
        {"empty value", "[s]\nk=\n", "s", "k", ""},
        {"CR alone", "[s]\rj=1\rk=2\r", "s", "k", "2"},
        {"CR LF", "[s]\r\nk=2\r\n", "s", "k", "2"},
        {"mixed breaks, none at end", "[t]\r\n[s]\n\rk=2", "s", "k", "2"},
        {"first section wins", "[s]\na=1\n[t]\nb=0\n[S]\na=2\nb=3\n", "s", "b", std::nullopt},
        {"first key wins", "[s]\nk=1\nK=2\n", "s", "k", "1"},
        {"comments are not keys", "[s]\n;k=1\n  ;k=2\n", "s", "k", std::nullopt},
        {"comment then key", "[s]\n;k=1\nk=2", "s", "k", "2"},
        {"line without '=' is no key", "[s]\nk\nk=2\n", "s", "k", "2"},
        {"'[' without ']' keeps the section", "[s]\n[t\nk=1\n", "s", "k", "1"},
        {"name runs to the last ']'", "[a]b] ; note\nk=1\n", "a]b", "k", "1"},
        {"last ']' in a later read", "[a]" + std::string(70000, ' ') + "]\nk=1\n", "a]", "k", "1"},
        {"name longer than the key", "[s]\nk x=1\nk=2\n", "s", "k", "2"},
        {"keys before any section", "k=1\n[s]\n", "s", "k", std::nullopt},
        {"missing section", "[s]\nk=1\n", "t", "k", std::nullopt},
        {"value ends at NUL", "[s]\nk=ab\0cd\n"s, "s", "k", "ab"},
        {"empty key refused", "[s]\n=1\n", "s", "", std::nullopt},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        WriteFile(tmp.Path("p.ini"), c.file);
        EXPECT_EQ(IniFile::ReadString(tmp.Path("p.ini"), c.section, c.key), c.expected);
    }
}

TEST(IniFile, MissingEmptyOrNonFileProfileReadsNothing)
{
    const TempFolder tmp;
    EXPECT_EQ(IniFile::ReadString(tmp.Path("missing.ini"), "s", "k"), std::nullopt);
    WriteFile(tmp.Path("empty.ini"), "");
    EXPECT_EQ(IniFile::ReadString(tmp.Path("empty.ini"), "s", "k"), std::nullopt);
    fs::create_directory(tmp.Path("dir.ini"));
    EXPECT_EQ(IniFile::ReadString(tmp.Path("dir.ini"), "s", "k"), std::nullopt);
    EXPECT_FALSE(IniFile::WriteString(tmp.Path("dir.ini"), "s", "k", "v"));
    EXPECT_TRUE(fs::is_directory(tmp.Path("dir.ini")));
#ifndef _WIN32
    ASSERT_EQ(mkfifo(tmp.Path("fifo.ini").c_str(), 0600), 0);   // opening it for reading must not block
    EXPECT_EQ(IniFile::ReadString(tmp.Path("fifo.ini"), "s", "k"), std::nullopt);
    EXPECT_FALSE(IniFile::WriteString(tmp.Path("fifo.ini"), "s", "k", "v"));
    EXPECT_TRUE(fs::is_fifo(tmp.Path("fifo.ini")));
#endif
}

TEST(IniFile, BinaryContentIsReadAndKept)
{
    const TempFolder tmp;
    std::string junk;
    for (int i = 0; i < 300 * 1024; ++i)
        junk += static_cast<char>(i * 7 % 256);
    WriteFile(tmp.Path("p.ini"), junk + "\n[s]\nk=v");
    EXPECT_EQ(IniFile::ReadString(tmp.Path("p.ini"), "s", "k"), "v");
    ASSERT_TRUE(IniFile::WriteString(tmp.Path("p.ini"), "s", "n", "w"));
    EXPECT_EQ(ReadFile(tmp.Path("p.ini")), junk + "\n[s]\nk=v\nn=w");
}

TEST(IniFile, ValueIsCutTo4095Characters)
{
    const TempFolder tmp;
    const std::string x4095(4095, 'x');
    struct Case
    {
        std::string value;
        std::string expected;
    };
    const Case cases[] = {
        {std::string(4094, 'x'), std::string(4094, 'x')},
        {x4095, x4095},
        {x4095 + "y", x4095},
        {"\"" + x4095 + "\"", x4095},
        {"\"" + std::string(200000, 'x') + "\" \t", x4095},
        {"'" + std::string(200000, 'x') + "\"", "'" + std::string(4094, 'x')},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.value.size());
        WriteFile(tmp.Path("p.ini"), "[s]\nk=" + c.value + "\nnext=1\n");
        EXPECT_EQ(IniFile::ReadString(tmp.Path("p.ini"), "s", "k"), c.expected);
        EXPECT_EQ(IniFile::ReadString(tmp.Path("p.ini"), "s", "next"), "1");
    }
}

TEST(IniFile, LineOf100MegabytesIsSkipped)
{
    const TempFolder tmp;
    PutSparse(tmp.Path("p.ini"), "[s]\nbig=x", 100u << 20, "\nk=v\n");
    EXPECT_EQ(IniFile::ReadString(tmp.Path("p.ini"), "s", "k"), "v");
    EXPECT_EQ(IniFile::ReadString(tmp.Path("p.ini"), "s", "big"), "x");
}

TEST(IniFile, CrLfSplitAcrossReadsIsOneLineBreak)
{
    const TempFolder tmp;
    const std::string header = "[s]" + std::string(64 * 1024 - 4, ' ') + "\r";   // the LF starts the next 64 KiB
    WriteFile(tmp.Path("p.ini"), header + "\nk=1\r\n");
    ASSERT_TRUE(IniFile::WriteString(tmp.Path("p.ini"), "s", "k", "2"));
    ASSERT_TRUE(IniFile::WriteString(tmp.Path("p.ini"), "s", "z", "3"));
    EXPECT_EQ(ReadFile(tmp.Path("p.ini")), header + "\nk=2\r\nz=3\r\n");
}

TEST(IniFile, WriteChangesOnlyWhatItMust)
{
    const TempFolder tmp;
    struct Case
    {
        const char* name;
        std::string before;
        const char* section;
        const char* key;
        std::string after;
    };
    const Case cases[] = {
        {"replaces the key, keeping its spelling and CR LF",
         "; top\r\n[Snow]\r\n\r\n  Speed = 3 ; old\r\nDepth=2\r\n[Other]\r\nSpeed=9\r\n", "snow", "SPEED",
         "; top\r\n[Snow]\r\n\r\nSpeed=5\r\nDepth=2\r\n[Other]\r\nSpeed=9\r\n"},
        {"inserts after the section's last key", "[a]\nx=1\n\n; c\n[b]\ny=2\n", "a", "z",
         "[a]\nx=1\nz=5\n\n; c\n[b]\ny=2\n"},
        {"inserts after a header without keys", "[a]\n\n[b]\n", "a", "z", "[a]\nz=5\n\n[b]\n"},
        {"inserts into the first section only", "[a]\rx=1\r[A]\rz=0\r", "a", "z", "[a]\rx=1\rz=5\r[A]\rz=0\r"},
        {"inserts before a missing final break", "[a]\nx=1", "a", "z", "[a]\nx=1\nz=5"},
        {"appends a section after a break", "[a]\r\nx=1", "b", "z", "[a]\r\nx=1\r\n[b]\r\nz=5\r\n"},
        {"appends to a file ending in a break", "[a]\nx=1\n", "b", "z", "[a]\nx=1\n[b]\nz=5\n"},
        {"fills an empty file", "", "b", "z", "[b]" + kNewLine + "z=5" + kNewLine},
        {"a '[' line with '=' is a key line", "[a]\n[x=1\n\n[b]\n", "a", "z", "[a]\n[x=1\nz=5\n\n[b]\n"},
        {"skips a comment that names the key", "[a]\n;z=1\n", "a", "z", "[a]\nz=5\n;z=1\n"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        WriteFile(tmp.Path("p.ini"), c.before);
        ASSERT_TRUE(IniFile::WriteString(tmp.Path("p.ini"), c.section, c.key, "5"));
        EXPECT_EQ(ReadFile(tmp.Path("p.ini")), c.after);
    }
    ASSERT_TRUE(IniFile::WriteString(tmp.Path("new.ini"), "b", "z", "5"));
    EXPECT_EQ(ReadFile(tmp.Path("new.ini")), "[b]" + kNewLine + "z=5" + kNewLine);
}

TEST(IniFile, WriteOfSeveralKeysChangesOnlyWhatItMust)
{
    const TempFolder tmp;
    const IniFile::KeyValue keys[] = {{"a", "1"}, {"b", "2"}, {"c", "3"}};
    struct Case
    {
        const char* name;
        std::string before;
        std::string after;
    };
    const Case cases[] = {
        {"every key there, in another order, spelling and breaks kept",
         "; top\r\n[S]\r\n C = x ; note\r\n\r\nB=y\r\n;a=z\r\nA=z\r\n[T]\r\na=0\r\n",
         "; top\r\n[S]\r\nC=3\r\n\r\nB=2\r\n;a=z\r\nA=1\r\n[T]\r\na=0\r\n"},
        {"missing keys after the last key, in the order given", "[s]\nb=0\n\n; c=0\n[t]\n",
         "[s]\nb=2\na=1\nc=3\n\n; c=0\n[t]\n"},
        {"missing keys after a last key that is rewritten", "[s]\nc=0\nb=0", "[s]\nc=3\nb=2\na=1"},
        {"only a key's first line and the first section", "[s]\na=0\nA=0\n[S]\nb=0\n",
         "[s]\na=1\nA=0\nb=2\nc=3\n[S]\nb=0\n"},
        {"a header without keys", "[s]\r\r[t]\r", "[s]\ra=1\rb=2\rc=3\r\r[t]\r"},
        {"a missing section after a last line without break", "\0[t]\r\nx=1"s,
         "\0[t]\r\nx=1\r\n[s]\r\na=1\r\nb=2\r\nc=3\r\n"s},
        {"an empty file", "", "[s]" + kNewLine + "a=1" + kNewLine + "b=2" + kNewLine + "c=3" + kNewLine},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        WriteFile(tmp.Path("p.ini"), c.before);
        ASSERT_TRUE(IniFile::WriteStrings(tmp.Path("p.ini"), "s", keys));
        EXPECT_EQ(ReadFile(tmp.Path("p.ini")), c.after);
    }
    ASSERT_TRUE(IniFile::WriteStrings(tmp.Path("new.ini"), "s", keys));
    EXPECT_EQ(ReadFile(tmp.Path("new.ini")), cases[std::size(cases) - 1].after);
}

TEST(IniFile, WriteOfSeveralKeysRefusesAKeyTwiceOrNoKey)
{
    const TempFolder tmp;
    WriteFile(tmp.Path("p.ini"), "[s]\nk=1\n");
    using Keys = std::vector<IniFile::KeyValue>;
    const Keys refused[] = {{},
                            {{"k", "1"}, {"K", "2"}},
                            {{"k", "1"}, {" k\t", "1"}},
                            {{"j", "1"}, {"a=b", "2"}},
                            {{"j", "1"}, {"k", "2\n"}}};
    for (const Keys& keys : refused)
    {
        SCOPED_TRACE(keys.size() < 2 ? "" : std::string(keys[1].key));
        EXPECT_FALSE(IniFile::WriteStrings(tmp.Path("p.ini"), "s", keys));
        EXPECT_FALSE(IniFile::WriteStrings(tmp.Path("new.ini"), "s", keys));
    }
    EXPECT_EQ(ReadFile(tmp.Path("p.ini")), "[s]\nk=1\n");
    EXPECT_FALSE(fs::exists(tmp.Path("new.ini")));
}

TEST(IniFile, RefusesWhatCouldNotBeReadBack)
{
    const TempFolder tmp;
    WriteFile(tmp.Path("p.ini"), "[s]\nk=1\n");
    const std::string refused[][3] = {{"", "k", "v"},    {"s", "", "v"},    {"s\n", "k", "v"},
                                      {"s", "k\r", "v"}, {"s", "a=b", "v"}, {"s", ";k", "v"},
                                      {"s", "[k", "v"},  {"s", "k", "v\n"}, {"s", "k", "v\0w"s}};
    for (const auto& r : refused)
    {
        SCOPED_TRACE(r[0] + "|" + r[1] + "|" + r[2]);
        EXPECT_FALSE(IniFile::WriteString(tmp.Path("p.ini"), r[0], r[1], r[2]));
    }
    EXPECT_EQ(ReadFile(tmp.Path("p.ini")), "[s]\nk=1\n");
}

TEST(IniFile, RewritesHugeFileWithoutLoadingIt)
{
    const TempFolder tmp;
    const std::uintmax_t size = 64u << 20;
    PutSparse(tmp.Path("p.ini"), "[a]\nk=1\n[b]\njunk=", size, "\n");
#ifndef _WIN32
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
#endif
    ASSERT_TRUE(IniFile::WriteString(tmp.Path("p.ini"), "a", "k", "2"));
    EXPECT_EQ(fs::file_size(tmp.Path("p.ini")), size);
    std::ifstream in(tmp.Path("p.ini"), std::ios::binary);
    std::string head(17, '?');
    in.read(head.data(), 17);
    EXPECT_EQ(head, "[a]\nk=2\n[b]\njunk=");
    in.seekg(-2, std::ios::end);
    EXPECT_EQ(in.get(), 0);
    EXPECT_EQ(in.get(), '\n');
#ifndef _WIN32
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 16 * 1024);   // KiB
#endif
}

TEST(IniFile, FolderThatIsAFileFailsCleanly)
{
    const TempFolder tmp;
    WriteFile(tmp.Path("folder"), "not a folder");
    EXPECT_FALSE(IniFile::WriteString(tmp.Path("folder") + "/p.ini", "s", "k", "v"));
    EXPECT_FALSE(IniFile::WriteString(tmp.Path("folder") + "/sub/p.ini", "s", "k", "v"));
    EXPECT_EQ(IniFile::ReadString(tmp.Path("folder") + "/p.ini", "s", "k"), std::nullopt);
    EXPECT_EQ(ReadFile(tmp.Path("folder")), "not a folder");
}

#ifndef _WIN32
TEST(IniFile, DiskFullKeepsOldFileAndLeavesNoTemporary)
{
    const TempFolder tmp;
    const std::string old = "[s]\nk=1\n" + std::string(8192, ';') + "\n";
    WriteFile(tmp.Path("p.ini"), old);
    EXPECT_EQ(
        TestSupport::ReturnedInChild([&] { return IniFile::WriteString(tmp.Path("p.ini"), "s", "k", "2"); }, 1024),
        false);
    EXPECT_EQ(ReadFile(tmp.Path("p.ini")), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(tmp.Dir()), fs::directory_iterator()), 1);
}

TEST(IniFile, FailedWriteOfSeveralKeysKeepsOldFileWhole)
{
    const TempFolder tmp;
    // Rewriting b alone would fit the file-size limit; adding a and c does not.
    const std::string old = "[s]\nb=0\n" + std::string(1000, ';') + "\n";
    const IniFile::KeyValue keys[] = {{"a", "1"}, {"b", "2"}, {"c", "3"}};
    using fs::perms;
    const perms readWrite = perms::owner_read | perms::owner_write | perms::group_read | perms::others_read;
    const perms readOnlyDir = perms::owner_read | perms::owner_exec | perms::group_read | perms::group_exec |
                              perms::others_read | perms::others_exec;
    struct Case
    {
        const char* name;
        perms file;
        perms folder;
        rlim_t maxFileSize;
    };
    const Case cases[] = {
        {"unreadable file", perms::owner_write, readOnlyDir | perms::owner_write, RLIM_INFINITY},
        {"folder that cannot be written", readWrite, readOnlyDir, RLIM_INFINITY},
        {"disk full", readWrite, perms::owner_all, old.size() + 4},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        fs::permissions(tmp.Dir(), perms::owner_all, fs::perm_options::add);
        WriteFile(tmp.Path("p.ini"), old);
        fs::permissions(tmp.Path("p.ini"), c.file);
        fs::permissions(tmp.Dir(), c.folder);
        const bool asStranger = c.maxFileSize == RLIM_INFINITY;
        EXPECT_EQ(TestSupport::ReturnedInChild([&] { return IniFile::WriteStrings(tmp.Path("p.ini"), "s", keys); },
                                               c.maxFileSize, asStranger),
                  false);
        fs::permissions(tmp.Dir(), perms::owner_all, fs::perm_options::add);
        fs::permissions(tmp.Path("p.ini"), perms::owner_read, fs::perm_options::add);
        EXPECT_EQ(ReadFile(tmp.Path("p.ini")), old);
        EXPECT_EQ(std::distance(fs::directory_iterator(tmp.Dir()), fs::directory_iterator()), 1);
    }
}

// The names in a folder.
std::set<std::string> FolderNames(const fs::path& dir)
{
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir))
        names.insert(entry.path().filename().string());
    return names;
}

TEST(IniFile, TwoProgramsSavingAtOnceEachKeepTheirChange)
{
    // Two programs start their saves of one profile at the same moment, over and over: a save that
    // says it succeeded must find its change in the file, next to the other's and the old keys.
    const TempFolder tmp;
    const std::string path = tmp.Path("p.ini");
    for (int nTrial = 0; nTrial < 150; ++nTrial)
    {
        SCOPED_TRACE(nTrial);
        WriteFile(path, "[old]\nk=1\n");
        int go[2];
        ASSERT_EQ(::pipe(go), 0);
        pid_t children[2];
        for (int n = 0; n < 2; ++n)
        {
            children[n] = ::fork();
            ASSERT_GE(children[n], 0);
            if (children[n] == 0)
            {
                ::close(go[1]);
                char c;
                (void)!::read(go[0], &c, 1);   // returns when the parent closes its end
                ::_exit(IniFile::WriteString(path, "writer" + std::to_string(n), "k", std::to_string(nTrial)) ? 1 : 0);
            }
        }
        ::close(go[0]);
        ::close(go[1]);
        for (int n = 0; n < 2; ++n)
        {
            int status = 0;
            ASSERT_EQ(::waitpid(children[n], &status, 0), children[n]);
            ASSERT_TRUE(WIFEXITED(status));
            if (WEXITSTATUS(status) == 1)
            {
                EXPECT_EQ(IniFile::ReadString(path, "writer" + std::to_string(n), "k"), std::to_string(nTrial)) << n;
            }
        }
        EXPECT_EQ(IniFile::ReadString(path, "old", "k"), "1");
        EXPECT_EQ(FolderNames(tmp.Dir()), std::set<std::string>{"p.ini"});
    }
}

TEST(IniFile, ASaveThatCannotGetTheLockFailsAndChangesNothing)
{
    // Another program's save holds the lock for longer than a save waits.
    const TempFolder tmp;
    const std::string path = tmp.Path("p.ini");
    WriteFile(path, "[s]\nk=1\n");
    const int fd = ::open(tmp.Path(".p.ini.lock").c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    EXPECT_FALSE(IniFile::WriteString(path, "s", "k", "2"));
    EXPECT_EQ(ReadFile(path), "[s]\nk=1\n");

    // Once it is let go, the next save goes through and takes the lock file with it.
    ::close(fd);
    EXPECT_TRUE(IniFile::WriteString(path, "s", "k", "3"));
    EXPECT_EQ(ReadFile(path), "[s]\nk=3\n");
    EXPECT_EQ(FolderNames(tmp.Dir()), std::set<std::string>{"p.ini"});
}

TEST(IniFile, KilledSavesLeaveNothingBehindAfterTheNextSave)
{
    // A program killed at a random moment of its saves: the profile stays whole, and once the next
    // save is done the folder holds the profile alone.
    const TempFolder tmp;
    const std::string path = tmp.Path("p.ini");
    const std::string filler = std::string(1 << 20, ';') + "\n";   // makes each save take a while
    WriteFile(path, "[s]\nk=0\n" + filler);
    std::mt19937 rng(5);
    for (int nTrial = 0; nTrial < 60; ++nTrial)
    {
        SCOPED_TRACE(nTrial);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0)
        {
            for (int n = 1;; ++n)
                IniFile::WriteString(path, "s", "k", std::to_string(n));
        }
        ::usleep(std::uniform_int_distribution<useconds_t>(0, 30000)(rng));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);

        const std::string text = ReadFile(path);
        ASSERT_EQ(text.substr(0, 6), "[s]\nk=");
        ASSERT_NE(text.find("\n" + filler), std::string::npos);
        ASSERT_TRUE(IniFile::WriteString(path, "t", "k", std::to_string(nTrial)));
        EXPECT_EQ(FolderNames(tmp.Dir()), std::set<std::string>{"p.ini"});
        EXPECT_EQ(IniFile::ReadString(path, "t", "k"), std::to_string(nTrial));
    }
}

TEST(IniFile, TheNextSaveRemovesWhatKilledSavesLeftAndNothingElse)
{
    // What a save killed before it could clean up leaves: a named temporary, the lock file.
    const TempFolder tmp;
    const std::string path = tmp.Path("p.ini");
    WriteFile(path, "[s]\nk=1\n");
    for (const char* name : {".p.ini.tmp-a8Xk2q", ".p.ini.tmp-4711-0", ".p.ini.lock"})
        WriteFile(tmp.Path(name), std::string(4096, 'x'));
    // Look-alikes that belong to the user or to other profiles.
    for (const char* name : {".p.ini.bak", "p.ini~", ".q.ini.tmp-a8Xk2q", ".p.ini.tmp"})
        WriteFile(tmp.Path(name), "keep");
    ASSERT_TRUE(IniFile::WriteString(path, "s", "k", "2"));
    EXPECT_EQ(FolderNames(tmp.Dir()),
              (std::set<std::string>{"p.ini", ".p.ini.bak", "p.ini~", ".q.ini.tmp-a8Xk2q", ".p.ini.tmp"}));
    EXPECT_EQ(ReadFile(path), "[s]\nk=2\n");
}

TEST(IniFile, WritesThroughSymbolicLink)
{
    const TempFolder tmp;
    fs::create_directory(tmp.Dir() / "real");
    WriteFile(tmp.Path("real/p.ini"), "[s]\nk=1\n");
    fs::create_symlink("real/p.ini", tmp.Dir() / "link.ini");
    ASSERT_TRUE(IniFile::WriteString(tmp.Path("link.ini"), "s", "k", "2"));
    EXPECT_TRUE(fs::is_symlink(tmp.Dir() / "link.ini"));
    EXPECT_EQ(ReadFile(tmp.Path("real/p.ini")), "[s]\nk=2\n");
}

TEST(IniFile, KeepsPermissionsAndCreatesPrivateFolders)
{
    const TempFolder tmp;
    WriteFile(tmp.Path("p.ini"), "[s]\nk=1\n");
    fs::permissions(tmp.Path("p.ini"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(IniFile::WriteString(tmp.Path("p.ini"), "s", "k", "2"));
    EXPECT_EQ(fs::status(tmp.Path("p.ini")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    ASSERT_TRUE(IniFile::WriteString(tmp.Path("a/b/p.ini"), "s", "k", "v"));
    EXPECT_EQ(fs::status(tmp.Path("a")).permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::status(tmp.Path("a/b")).permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::status(tmp.Path("a/b/p.ini")).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

TEST(IniFile, ReadOnlyFolderFailsCleanly)
{
    const TempFolder tmp;
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    WriteFile(tmp.Path("p.ini"), "[s]\nk=1\n");
    fs::permissions(tmp.Dir(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(IniFile::WriteString(tmp.Path("p.ini"), "s", "k", "2"));
    EXPECT_EQ(ReadFile(tmp.Path("p.ini")), "[s]\nk=1\n");
}
#endif

TEST(IniFile, ParseProfileIntFollowsWindows)
{
    const std::pair<const char*, UINT> cases[] = {
        {"1", 1u},
        {"+1", 1u},
        {"-1", 4294967295u},
        {"4294967296", 0u},
        {"4294967297", 1u},
        {"-4294967297", 4294967295u},
        {"42A94967297", 42u},
        {"B4294967297", 0u},
        {"", 0u},
        {"-", 0u},
        {"\x01\t 7", 7u},
        {"\xA0"
         "7",
         0u},
        {"+-7", 0u},
        {"0000000000000000000000000000012", 0u},   // only 29 characters are read
        {"00000000000000000000000000012", 12u},
    };
    for (const auto& [text, expected] : cases)
    {
        SCOPED_TRACE(text);
        EXPECT_EQ(IniFile::ParseProfileInt(text), expected);
    }
}
