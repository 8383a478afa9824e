#include "ini_fixture.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>
#include <vector>

using IniDamagedFile = IniFolder;

namespace
{
struct Expect
{
  const char* section;
  const char* key;
  const char* value;   // "<default>" when the key must not be found
};

struct Case
{
  const char* what;
  std::string text;
  std::vector<Expect> expect;
};

std::string binaryNoise(size_t bytes, bool withBrackets)
{
  std::mt19937 random(7);
  std::string noise(bytes, '\0');
  for (char& c : noise)
  {
    c = static_cast<char>(random());
    if (!withBrackets && c == '[')
      c = '(';
  }
  return noise;
}

std::string repeated(const std::string& line, size_t bytes)
{
  std::string text;
  while (text.size() < bytes)
    text += line;
  return text;
}

const std::vector<Case>& damagedFiles()
{
  using namespace std::string_literals;
  static const std::vector<Case> cases = {
      {"CR LF line ends", "[S]\r\nk=v\r\nq=\"x\"\r\n", {{"S", "k", "v"}, {"S", "q", "x"}}},
      {"no final line feed", "[S]\nk=v", {{"S", "k", "v"}}},
      {"keys before any section", "k=lost\n[S]\nk=kept\n", {{"S", "k", "kept"}}},
      {"lines without =", "[S]\njunk\n=novalue\nk=v\n", {{"S", "k", "v"}, {"S", "junk", "<default>"}}},
      {"duplicate keys: the later wins", "[S]\nk=1\nK=2\nk=3\n", {{"S", "k", "3"}}},
      {"a repeated section replaces the earlier",
       "[S]\na=1\n[T]\nx=1\n[s]\nb=2\n",
       {{"S", "a", "<default>"}, {"S", "b", "2"}, {"T", "x", "1"}}},
      {"keys after [] belong nowhere", "[S]\nk=1\n[]\nk=2\nz=3\n", {{"S", "k", "1"}, {"S", "z", "<default>"}}},
      {"a header without ] is ignored", "[S]\n[broken\nk=v\n", {{"S", "k", "v"}, {"broken", "k", "<default>"}}},
      {"blanks around lines, text after ]",
       "  \t[S] trailing\n\t k = v \n",
       {{"S", "k ", "v"}, {"S", "k", "<default>"}}},
      {"a NUL ends the line's text",
       "[S]\nk=ab\0cd\nm=1\n[T\0]\nx=1\n"s,
       {{"S", "k", "ab"}, {"S", "m", "1"}, {"S", "x", "1"}, {"T", "x", "<default>"}}},
      {"a semicolon starts a key", "[S]\n;c=1\n", {{"S", ";c", "1"}}},
      {"binary without sections", binaryNoise(1 << 20, false), {{"S", "k", "<default>"}}},
      {"binary with sections", "[S]\nk=v\n" + binaryNoise(1 << 20, true), {{"S", "k", "v"}}},
      {"a long line", "[S]\nk=" + std::string(100000, 'a') + "\nm=1", {{"S", "m", "1"}}},
      {"a long line before any section",
       std::string(300000, 'x') + "\n[S]\nk=v\n",
       {{"S", "k", "<default>"}}},
      {"256 KiB before the first section", repeated("x\n", 262144) + "[S]\nk=v\n", {{"S", "k", "<default>"}}},
      {"less than 256 KiB before the first section",
       repeated("x\n", 200000) + "[S]\nk=v\n",
       {{"S", "k", "v"}}},
  };
  return cases;
}
}

TEST_F(IniDamagedFile, ReadsWhatItCanAndKeepsItThroughAWrite)
{
  for (const Case& c : damagedFiles())
  {
    SCOPED_TRACE(c.what);
    replace(c.text);
    for (const Expect& e : c.expect)
      EXPECT_EQ(read(e.section, e.key), e.value) << e.section << "/" << e.key;

    EXPECT_TRUE(write("Added", "key", "1"));
    // The rewritten file, read afresh under another name, holds the same.
    const std::string copy = dir + "/copy-" + std::to_string(&c - damagedFiles().data()) + ".ini";
    std::filesystem::copy_file(path, copy);
    for (const Expect& e : c.expect)
      EXPECT_EQ(readFrom(copy, e.section, e.key), e.value) << e.section << "/" << e.key;
    EXPECT_EQ(readFrom(copy, "Added", "key"), "1");
  }
}

TEST_F(IniDamagedFile, ALongValueIsCutToTheBuffer)
{
  replace("[S]\nk=" + std::string(100000, 'a') + "\n");
  char small[64];
  EXPECT_EQ(GetPrivateProfileString("S", "k", "", small, sizeof small, path.c_str()), 63);
  EXPECT_EQ(std::string(small), std::string(63, 'a'));
  std::vector<char> large(200000);
  EXPECT_EQ(GetPrivateProfileString("S", "k", "", large.data(), static_cast<int>(large.size()), path.c_str()),
            100000);
}

TEST_F(IniDamagedFile, AFileTooLargeToReadWholeIsNeverRewritten)
{
  const std::string text = "[S]\nk=v\n" + repeated("[Filler]\nkey=value\n", size_t{5} << 20);
  replace(text);
  EXPECT_EQ(read("S", "k"), "v");
  EXPECT_TRUE(write("S", "k", "changed"));
  EXPECT_EQ(read("S", "k"), "changed");   // in the cache only
  EXPECT_EQ(contents(), text);
}

TEST_F(IniDamagedFile, SomethingOtherThanAFileReadsAsEmpty)
{
  std::filesystem::create_directory(path);
  EXPECT_EQ(read("S", "k"), "<default>");
  EXPECT_TRUE(write("S", "k", "v"));   // cannot replace a folder; silent
  EXPECT_TRUE(std::filesystem::is_directory(path));
  std::filesystem::remove(path);

  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  EXPECT_EQ(read("S", "k"), "<default>");   // returns at once: nobody writes the pipe
}

TEST_F(IniDamagedFile, AFolderThatCannotBeWrittenGivesDefaultsAndSilentWrites)
{
  // A regular file where the folder should be stops even a privileged user.
  std::ofstream(dir + "/notafolder") << "x";
  const std::string blocked = dir + "/notafolder/kelva.ini";
  EXPECT_EQ(readFrom(blocked, "S", "k"), "<default>");
  EXPECT_TRUE(WritePrivateProfileString("S", "k", "v", blocked.c_str()));
  EXPECT_EQ(readFrom(blocked, "S", "k"), "v");
  EXPECT_TRUE(WritePrivateProfileSection("S", "", blocked.c_str()));
  EXPECT_EQ(readFrom(blocked, "S", "k"), "<default>");

  // No home folder: the caller has no path at all.
  EXPECT_EQ(readFrom("", "S", "k"), "<default>");
  EXPECT_FALSE(WritePrivateProfileString("S", "k", "v", ""));
  EXPECT_FALSE(WritePrivateProfileString("S", "k", "v", nullptr));
  EXPECT_FALSE(WritePrivateProfileSection("S", "", nullptr));
  char buffer[8];
  EXPECT_EQ(GetPrivateProfileString("S", "k", "def", buffer, sizeof buffer, nullptr), 3);
}

TEST_F(IniDamagedFile, AReadOnlyFolderKeepsTheFileIntact)
{
  write("S", "k", "1");
  ASSERT_EQ(chmod(dir.c_str(), 0555), 0);
  // Returns what went wrong, or "" when all is well.
  const auto check = [&]() -> std::string {
    if (!write("S", "k", "2"))
      return "the write reported a failure";
    if (read("S", "k") != "2")
      return "the cache lost the change";
    if (contents() != "[S]\nk=1\n\n")
      return "the file changed";
    if (exists(".kelva.ini.new"))
      return "a temporary file was left";
    return "";
  };
  if (geteuid() != 0)
  {
    EXPECT_EQ(check(), "");
    return;
  }
  // Permissions do not bind the superuser: run the check as nobody.
  ASSERT_EQ(chmod(path.c_str(), 0644), 0);
  int report[2];
  ASSERT_EQ(pipe(report), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0)
  {
    std::string problem = setgid(65534) == 0 && setuid(65534) == 0 ? check() : "cannot become nobody";
    if (problem.empty())
      problem = "ok";
    (void)!::write(report[1], problem.data(), problem.size());
    _exit(0);
  }
  close(report[1]);
  char text[256];
  const ssize_t got = ::read(report[0], text, sizeof text);
  close(report[0]);
  waitpid(child, nullptr, 0);
  EXPECT_EQ(std::string(text, got > 0 ? static_cast<size_t>(got) : 0), "ok");
}
