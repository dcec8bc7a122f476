#include "platform/ProfileFile.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using dabrix::platform::ParseProfileInteger;
using dabrix::platform::ProfileFile;
using dabrix::platform::ProfileText;

namespace {

class ProfileFileTest : public ::testing::Test {
protected:
    std::string PathOf(const std::string& name) const { return dir_.path().toStdString() + "/" + name; }

    std::string WriteRaw(const std::string& name, const std::string& bytes) const
    {
        const std::string path = PathOf(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    static std::string Contents(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    QTemporaryDir dir_;
};

const char* const SampleIni =
    "; written by hand\n"
    "[Window]\n"
    "Left=120\n"
    "Top = -5 \n"
    "Height=\n"
    "Width=abc\n"
    "\n"
    "[config]\n"
    "Baud=19200\n"
    "AutoConnect=0\n"
    "Debug=5\n"
    "MaxPort=yes\n"
    "Extra=kept\n"
    "not a key line\n"
    "\n"
    "[System]\n"
    "Language=de\n"
    "WorkDir=\n"
    "Odd=\"quoted\"\n";

TEST_F(ProfileFileTest, ReadsIntegersByTheProfileRules)
{
    const ProfileFile ini(WriteRaw("MSave.ini", SampleIni));
    struct Case {
        const char* section;
        const char* key;
        int def;
        int expected;
        const char* why;
    };
    const Case cases[] = {
        {"Window", "Left", 100, 120, "plain decimal"},
        {"Window", "Top", 100, -5, "blanks around value and a sign"},
        {"Window", "Height", 450, 450, "empty value is not a number"},
        {"Window", "Width", 500, 500, "text is not a number"},
        {"Window", "Missing", 77, 77, "missing key"},
        {"NoSuchSection", "Left", 33, 33, "missing section"},
        {"CONFIG", "BAUD", 9600, 19200, "section and key case-insensitive"},
        {"Config", "MaxPort", 20, 20, "\"yes\" is not a number"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ini.ReadInteger(c.section, c.key, c.def), c.expected) << c.why;
}

TEST_F(ProfileFileTest, ReadsBooleansAsNonZeroIntegers)
{
    const std::string path = WriteRaw("b.ini", "[B]\nzero=0\none=1\nfive=5\nminus=-1\nyes=yes\nempty=\n");
    const ProfileFile ini(path);
    struct Case {
        const char* key;
        bool def;
        bool expected;
    };
    const Case cases[] = {
        {"zero", true, false}, {"one", false, true},   {"five", false, true},
        {"minus", false, true}, {"yes", false, false}, {"yes", true, true},
        {"empty", true, true}, {"empty", false, false}, {"missing", true, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ini.ReadBool("B", c.key, c.def), c.expected) << c.key << " default " << c.def;
}

TEST_F(ProfileFileTest, ReadsStringsExactlyAndEmptyValuesAsEmpty)
{
    const ProfileFile ini(WriteRaw("MSave.ini", SampleIni));
    EXPECT_EQ(ini.ReadString("System", "Language", "en"), "de");
    EXPECT_EQ(ini.ReadString("System", "WorkDir", "/opt/dabrix/"), "") << "present but empty";
    EXPECT_EQ(ini.ReadString("System", "Missing", "/opt/dabrix/"), "/opt/dabrix/");
    EXPECT_EQ(ini.ReadString("system", "odd", ""), "\"quoted\"") << "quotes are part of the value";
    EXPECT_TRUE(ini.ValueExists("System", "WorkDir"));
    EXPECT_FALSE(ini.ValueExists("System", "Nope"));
}

TEST(ProfileIntegerTest, AcceptsOnlyDecimalNumbersThatFit)
{
    struct Case {
        const char* text;
        std::optional<int> expected;
    };
    const Case cases[] = {
        {"0", 0},          {"42", 42},         {"-7", -7},        {"+7", 7},
        {" 12 ", 12},      {"2147483647", 2147483647},            {"-2147483648", -2147483647 - 1},
        {"2147483648", {}}, {"", {}},           {"-", {}},         {"+", {}},
        {"+-5", {}},       {"12abc", {}},      {"0x10", {}},      {"1 2", {}},
        {"1.5", {}},       {"yes", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseProfileInteger(c.text), c.expected) << '"' << c.text << '"';
}

TEST_F(ProfileFileTest, WritesReplaceValuesAndKeepEverythingElse)
{
    const std::string path = WriteRaw("MSave.ini", SampleIni);
    ProfileFile ini(path);
    ASSERT_TRUE(ini.WriteInteger("CONFIG", "baud", 4800));  // keeps the key's spelling
    ASSERT_TRUE(ini.WriteBool("Config", "Debug", false));
    ASSERT_TRUE(ini.WriteString("Config", "Device", "3"));  // new key: after the section's last key
    ASSERT_TRUE(ini.WriteString("LastFile", "File0", "/home/u/a b.txt"));  // new section at the end

    EXPECT_EQ(Contents(path),
              "; written by hand\n"
              "[Window]\n"
              "Left=120\n"
              "Top = -5 \n"
              "Height=\n"
              "Width=abc\n"
              "\n"
              "[config]\n"
              "Baud=4800\n"
              "AutoConnect=0\n"
              "Debug=0\n"
              "MaxPort=yes\n"
              "Extra=kept\n"
              "Device=3\n"
              "not a key line\n"
              "\n"
              "[System]\n"
              "Language=de\n"
              "WorkDir=\n"
              "Odd=\"quoted\"\n"
              "\n"
              "[LastFile]\n"
              "File0=/home/u/a b.txt\n");
}

TEST_F(ProfileFileTest, CreatesAMissingFileAndReadsBackWhatItWrote)
{
    ProfileFile ini(PathOf("new.ini"));
    EXPECT_EQ(ini.ReadInteger("Window", "Left", 100), 100);
    ASSERT_TRUE(ini.WriteInteger("Window", "Left", -20));
    ASSERT_TRUE(ini.WriteBool("Config", "AutoConnect", true));
    ASSERT_TRUE(ini.WriteString("System", "Language", "fr"));
    ASSERT_TRUE(ini.WriteString("System", "WorkDir", ""));
    ASSERT_TRUE(ini.WriteString("LastFile", "File0", "/tmp/Messung µm.txt"));

    EXPECT_EQ(ini.ReadInteger("Window", "Left", 100), -20);
    EXPECT_TRUE(ini.ReadBool("Config", "AutoConnect", false));
    EXPECT_EQ(ini.ReadString("System", "Language", "en"), "fr");
    EXPECT_EQ(ini.ReadString("System", "WorkDir", "x"), "");
    EXPECT_EQ(ini.ReadString("LastFile", "File0", ""), "/tmp/Messung µm.txt");
    EXPECT_EQ(Contents(ini.Path()),
              "[Window]\nLeft=-20\n\n[Config]\nAutoConnect=1\n\n[System]\nLanguage=fr\nWorkDir=\n\n"
              "[LastFile]\nFile0=/tmp/Messung µm.txt\n");
}

TEST_F(ProfileFileTest, KeepsWindowsLineEndsAndSkipsAByteOrderMark)
{
    const std::string path = WriteRaw("crlf.ini", "\xEF\xBB\xBF[Config]\r\nPort=4\r\n");
    ProfileFile ini(path);
    EXPECT_EQ(ini.ReadInteger("Config", "Port", 0), 4);
    ASSERT_TRUE(ini.WriteInteger("Config", "Baud", 2400));
    EXPECT_EQ(Contents(path), "[Config]\r\nPort=4\r\nBaud=2400\r\n");
}

TEST_F(ProfileFileTest, ALoneCarriageReturnEndsALineToo)
{
    // Found by fuzzing: a CR inside a line used to stay in the value it ended.
    const std::string path = WriteRaw("cr.ini", "[Config]\rPort=4\rBaud=9600\n[System]\r\nLanguage=de\r");
    ProfileFile ini(path);
    EXPECT_EQ(ini.ReadInteger("Config", "Port", 0), 4);
    EXPECT_EQ(ini.ReadInteger("Config", "Baud", 0), 9600);
    EXPECT_EQ(ini.ReadString("System", "Language", ""), "de");
}

TEST_F(ProfileFileTest, FirstOfDuplicateSectionsAndKeysWins)
{
    const std::string path = WriteRaw("dup.ini", "[A]\nk=1\nK=2\n[a]\nk=3\n");
    ProfileFile ini(path);
    EXPECT_EQ(ini.ReadInteger("A", "k", 0), 1);
    ASSERT_TRUE(ini.WriteInteger("a", "K", 9));
    EXPECT_EQ(ini.ReadInteger("A", "k", 0), 9);
    EXPECT_EQ(Contents(path), "[A]\nk=9\nK=2\n[a]\nk=3\n");
    ASSERT_TRUE(ini.EraseKey("A", "k"));
    EXPECT_FALSE(ini.ValueExists("A", "k")) << "erasing removes every line of the key in the section";
    EXPECT_EQ(Contents(path), "[A]\n[a]\nk=3\n");
}

TEST_F(ProfileFileTest, EraseAndSectionListing)
{
    const std::string path = WriteRaw("e.ini", "[Ports]\nCOM3=/dev/a\n;note\nCOM4=/dev/b\n[Other]\nx=1\n");
    ProfileFile ini(path);
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Ports", "Other"}));
    EXPECT_EQ(ini.ReadSection("ports"),
              (std::vector<std::pair<std::string, std::string>>{{"COM3", "/dev/a"}, {"COM4", "/dev/b"}}));
    ASSERT_TRUE(ini.EraseKey("Ports", "com3"));
    EXPECT_TRUE(ini.EraseKey("Ports", "COM99")) << "nothing to erase is not a failure";
    EXPECT_EQ(Contents(path), "[Ports]\n;note\nCOM4=/dev/b\n[Other]\nx=1\n");
    ASSERT_TRUE(ini.EraseSection("OTHER"));
    EXPECT_EQ(Contents(path), "[Ports]\n;note\nCOM4=/dev/b\n");
    EXPECT_FALSE(ini.SectionExists("Other"));
}

TEST_F(ProfileFileTest, RefusesNamesAndValuesThatWouldBreakTheFile)
{
    const std::string path = WriteRaw("safe.ini", "[LastFile]\nFile0=a\n");
    ProfileFile ini(path);
    struct Case {
        const char* section;
        const char* key;
        std::string value;
    };
    const Case cases[] = {
        {"LastFile", "File0", "evil\n[Config]\nPort=9"},  // a file name with line breaks
        {"LastFile", "File0", "a\rb"},
        {"LastFile", "File0", std::string("a\0b", 3)},
        {"LastFile", "File=1", "x"},
        {"LastFile", "", "x"},
        {"LastFile", "[x", "x"},
        {"LastFile", ";x", "x"},
        {"LastFile", " File0", "x"},
        {"Last]File", "File0", "x"},
        {"", "File0", "x"},
        {"Last\nFile", "File0", "x"},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(ini.WriteString(c.section, c.key, c.value)) << c.section << "/" << c.key;
    EXPECT_EQ(Contents(path), "[LastFile]\nFile0=a\n");
}

TEST_F(ProfileFileTest, AWriteThatCannotBeDoneIsLostAndTheOldFileStays)
{
    // Target is a directory: nothing can replace it and nothing may break.
    const std::string dirTarget = PathOf("isdir.ini");
    std::filesystem::create_directory(dirTarget);
    ProfileFile onDir(dirTarget);
    EXPECT_FALSE(onDir.WriteInteger("Config", "Port", 5));
    EXPECT_EQ(onDir.ReadInteger("Config", "Port", 7), 7);
    EXPECT_TRUE(std::filesystem::is_directory(dirTarget));

    // Folder missing: the write is lost, reported by the result only.
    ProfileFile nowhere(PathOf("no/such/folder/MSave.ini"));
    EXPECT_FALSE(nowhere.WriteInteger("Config", "Port", 5));
    EXPECT_FALSE(std::filesystem::exists(PathOf("no")));
}

TEST_F(ProfileFileTest, AWriteThatFailsHalfwayLeavesTheOldFileWhole)
{
    // The disk "fills up" in the middle of the new file (a file-size limit; root is bound by
    // it too). The old file must come through untouched, not truncated.
    const std::string original = "[Config]\nPort=4\nBaud=9600\n";
    const std::string path = WriteRaw("MSave.ini", original);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{16, 16};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ProfileFile ini(path);
        const bool written = ini.WriteString("System", "WorkDir", std::string(200, 'd'));
        ::_exit(written ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the failed write must return false";
    EXPECT_EQ(Contents(path), original);
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path().toStdString())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1) << "no temporary file stays behind";
}

TEST_F(ProfileFileTest, AReplacementKeepsTheFilesPermissionsAndLeavesNoTemporaryFile)
{
    const std::string path = WriteRaw("MSave.ini", "[Config]\nPort=4\n");
    const auto privateMode = std::filesystem::perms::owner_read | std::filesystem::perms::owner_write;
    std::filesystem::permissions(path, privateMode);
    ProfileFile ini(path);
    ASSERT_TRUE(ini.WriteInteger("Config", "Port", 5));
    EXPECT_EQ(std::filesystem::status(path).permissions(), privateMode);
    EXPECT_EQ(ini.ReadInteger("Config", "Port", 0), 5);
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path().toStdString())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST_F(ProfileFileTest, WritesThroughASymlinkToItsTarget)
{
    const std::string target = WriteRaw("real.ini", "[Config]\nPort=4\n");
    const std::string link = PathOf("link.ini");
    std::filesystem::create_symlink(target, link);
    ProfileFile ini(link);
    ASSERT_TRUE(ini.WriteInteger("Config", "Port", 8));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(Contents(target), "[Config]\nPort=8\n");
}

TEST_F(ProfileFileTest, BinaryTruncatedAndHugeFilesReadAsDefaults)
{
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary.push_back(static_cast<char>((i * 73 + 11) & 0xFF));
    const std::string cases[] = {
        binary,
        std::string("[Config]\nPo", 11),        // cut off inside a key
        std::string("[Conf", 5),                // cut off inside a header
        std::string("\0\0\0\0[Config]\0Port=3", 19),
        std::string("\xFF\xFE[\0C\0o\0n\0", 10),  // UTF-16 is not ours
    };
    int n = 0;
    for (const std::string& bytes : cases) {
        const ProfileFile ini(WriteRaw("bad" + std::to_string(n++) + ".ini", bytes));
        EXPECT_EQ(ini.ReadInteger("Config", "Port", 0), 0);
        EXPECT_EQ(ini.ReadString("Config", "Language", "en"), "en");
        EXPECT_TRUE(ini.ReadBool("Config", "AutoConnect", true));
        (void)ini.ReadSections();
    }

    // A truncated file is still extended soundly by a write.
    ProfileFile cut(WriteRaw("cut.ini", "[Config]\nPort=3\nBa"));
    ASSERT_TRUE(cut.WriteInteger("Config", "Baud", 1200));
    EXPECT_EQ(cut.ReadInteger("Config", "Port", 0), 3);
    EXPECT_EQ(cut.ReadInteger("Config", "Baud", 0), 1200);

    // Far larger than any profile file: read as defaults, never replaced.
    const std::string huge = PathOf("huge.ini");
    {
        std::ofstream out(huge, std::ios::binary);
        out << "[Config]\nPort=3\n";
        out << std::string(ProfileFile::MaxFileSize, 'x');
    }
    ProfileFile big(huge);
    EXPECT_EQ(big.ReadInteger("Config", "Port", 0), 0);
    EXPECT_FALSE(big.WriteInteger("Config", "Port", 1));
    EXPECT_EQ(std::filesystem::file_size(huge), 16 + static_cast<std::uintmax_t>(ProfileFile::MaxFileSize));
}

TEST(ProfileTextTest, SerializesWhatItParsedUnchanged)
{
    const std::string texts[] = {
        "", "[A]\n", "[A]\nk=v\n", "; c\n\n[ A ]\n  k = v  \nfree text\n", "[A]\r\nk=v\r\n",
        "[A]\nno final line end",
    };
    for (const std::string& t : texts) {
        std::string expected = t;
        if (!expected.empty() && expected.back() != '\n')
            expected += '\n';
        EXPECT_EQ(ProfileText::Parse(t).Serialize(), expected);
    }
    EXPECT_EQ(ProfileText::Parse("; c\n\n[ A ]\n  k = v  \n").Value("a", "K"), "v");
    EXPECT_EQ(ProfileText::Parse("[A\nk=v\n").Value("A", "k"), "v") << "header without ']'";
    EXPECT_FALSE(ProfileText::Parse("k=v\n[A]\n").Value("A", "k")) << "keys before any section";
}

} // namespace
