#include "ini_fixture.h"

#include <sys/stat.h>

#include <cstring>
#include <fcntl.h>

using IniStore = IniFolder;

TEST_F(IniStore, WritingTheSameValueTwiceRewritesTheFileOnce)
{
  EXPECT_TRUE(write("MIDI Global", "MIDI Thru", "true"));
  const ino_t first = inode();
  ASSERT_NE(first, 0u);
  EXPECT_TRUE(write("MIDI Global", "MIDI Thru", "true"));
  EXPECT_EQ(inode(), first);
  EXPECT_TRUE(write("midi global", "midi thru", "true"));
  EXPECT_EQ(inode(), first);

  EXPECT_TRUE(write("MIDI Global", "MIDI Thru", "false"));
  EXPECT_NE(inode(), first);
  EXPECT_FALSE(exists(".kelva.ini.new"));
}

TEST_F(IniStore, NamesMatchRegardlessOfCaseAndKeepTheirFirstSpelling)
{
  write("MIDI Global", "MIDI Thru", "true");
  EXPECT_EQ(read("midi global", "midi thru"), "true");
  EXPECT_EQ(read("MIDI GLOBAL", "Midi Thru"), "true");

  write("midi GLOBAL", "MIDI THRU", "false");
  write("Midi Global", "Ignore Program Change", "true");
  EXPECT_EQ(contents(), "[MIDI Global]\nIgnore Program Change=true\nMIDI Thru=false\n\n");
}

TEST_F(IniStore, ValuesAreReadWithoutSurroundingBlanksAndQuotes)
{
  struct Case
  {
    const char* line;
    const char* value;
  };
  const Case cases[] = {
      {"k=  spaced out \t", "spaced out"},
      {"k=\t\"double\"  ", "double"},
      {"k='single'", "single"},
      {"k=\" keeps inner blanks \"", " keeps inner blanks "},
      {"k=\"\"", ""},
      {"k=\"", "\""},
      {"k=\"mixed'", "\"mixed'"},
      {"k='a' 'b'", "a' 'b"},
      {"k=", ""},
      {"k==", "="},
      {"k=a=b", "a=b"},
  };
  for (const Case& c : cases)
  {
    replace(std::string("[S]\n") + c.line + "\n");
    EXPECT_EQ(read("S", "k"), c.value) << c.line;
  }

  write("S", "k", "   padded\t ");
  EXPECT_EQ(read("S", "k"), "padded");
  EXPECT_EQ(contents(), "[S]\nk=   padded\t \n\n");   // stored as given
}

TEST_F(IniStore, MissingKeysGiveTheDefault)
{
  EXPECT_EQ(read("S", "k", "fallback"), "fallback");   // no file at all
  EXPECT_FALSE(exists("kelva.ini"));
  write("S", "k", "v");
  EXPECT_EQ(read("S", "other", "-1"), "-1");
  EXPECT_EQ(read("Other", "k", "-1"), "-1");

  char buffer[8] = "xxxxxxx";
  EXPECT_EQ(GetPrivateProfileString("S", "missing", nullptr, buffer, sizeof buffer, path.c_str()), 0);
  EXPECT_STREQ(buffer, "");
}

TEST_F(IniStore, FileListsSectionsAndKeysInCaseInsensitiveOrder)
{
  write("MIDI Control", "CC7", "3");
  write("MIDI Global", "MIDI Thru", "false");
  write("MIDI Control", "CC10", "5");
  write("Startup Bank", "File", "");
  write("editor", "Scale", "0.500000");
  write("Global", "Path to Program Files", "/home/u");
  // "_" lies between the capitals and the small letters: only an order that
  // ignores case puts it before "B".
  write("a", "B", "1");
  write("a", "_", "2");
  EXPECT_EQ(contents(),
            "[a]\n_=2\nB=1\n\n"
            "[editor]\nScale=0.500000\n\n"
            "[Global]\nPath to Program Files=/home/u\n\n"
            "[MIDI Control]\nCC10=5\nCC7=3\n\n"
            "[MIDI Global]\nMIDI Thru=false\n\n"
            "[Startup Bank]\nFile=\n\n");
}

TEST_F(IniStore, EmptyingASectionKeepsItsHeaderAndAMissingOneLeavesTheFileAlone)
{
  write("Startup Bank", "File", "/banks/a.fxb");
  write("Editor", "Scale", "1.000000");
  EXPECT_TRUE(WritePrivateProfileSection("Startup Bank", "\0", path.c_str()));
  EXPECT_EQ(contents(), "[Editor]\nScale=1.000000\n\n[Startup Bank]\n\n");

  const ino_t before = inode();
  EXPECT_TRUE(WritePrivateProfileSection("MIDI Control", "", path.c_str()));
  EXPECT_TRUE(WritePrivateProfileSection("MIDI Control", nullptr, path.c_str()));
  EXPECT_TRUE(WritePrivateProfileSection("Startup Bank", "", path.c_str()));   // already empty
  EXPECT_EQ(inode(), before);
  EXPECT_EQ(contents(), "[Editor]\nScale=1.000000\n\n[Startup Bank]\n\n");
}

TEST_F(IniStore, SectionEntriesReplaceTheKeysAndSkipEntriesWithoutAKey)
{
  write("S", "old", "1");
  const char entries[] = "b=2\0=nokey\0noequals\0a=1\0A=3\0c=x=y\0";
  EXPECT_TRUE(WritePrivateProfileSection("s", entries, path.c_str()));
  EXPECT_EQ(contents(), "[S]\na=3\nb=2\nc=x=y\n\n");
  EXPECT_FALSE(WritePrivateProfileSection(nullptr, entries, path.c_str()));
}

TEST_F(IniStore, DeletingKeysAndSections)
{
  write("S", "a", "1");
  write("S", "b", "2");
  write("T", "c", "3");
  EXPECT_TRUE(write("s", "A", nullptr));
  EXPECT_EQ(read("S", "a"), "<default>");
  EXPECT_TRUE(write("t", nullptr, nullptr));
  EXPECT_EQ(contents(), "[S]\nb=2\n\n");

  const ino_t before = inode();
  EXPECT_TRUE(write("S", "missing", nullptr));
  EXPECT_TRUE(write("Missing", nullptr, nullptr));
  EXPECT_EQ(inode(), before);

  EXPECT_FALSE(write(nullptr, "b", "1"));
  EXPECT_FALSE(write("S", "", "1"));
  EXPECT_EQ(contents(), "[S]\nb=2\n\n");
}

TEST_F(IniStore, OutputIsCutToTheBufferAndAlwaysTerminated)
{
  write("S", "k", "abcdef");
  char buffer[8];
  const auto fill = [&] { std::memset(buffer, '#', sizeof buffer); };

  fill();
  EXPECT_EQ(GetPrivateProfileString("S", "k", "", buffer, 4, path.c_str()), 3);
  EXPECT_STREQ(buffer, "abc");
  EXPECT_EQ(buffer[4], '#');

  fill();
  EXPECT_EQ(GetPrivateProfileString("S", "k", "", buffer, 1, path.c_str()), 0);
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(buffer[1], '#');

  for (int size : {0, -5})
  {
    fill();
    EXPECT_EQ(GetPrivateProfileString("S", "k", "", buffer, size, path.c_str()), 0);
    EXPECT_EQ(buffer[0], '#') << size;
  }
  EXPECT_EQ(GetPrivateProfileString("S", "k", "", nullptr, 8, path.c_str()), 0);

  fill();
  EXPECT_EQ(GetPrivateProfileString("S", "none", "long default", buffer, 5, path.c_str()), 4);
  EXPECT_STREQ(buffer, "long");
}

TEST_F(IniStore, NamesAndValuesThatWouldNotReadBackAreRefused)
{
  struct Case
  {
    const char* section;
    const char* key;
    const char* value;
  };
  const Case refused[] = {
      {"S", "k", "line\nbreak"},   // would start a new line, even a section
      {"S", "k", "cr\r"},
      {"S", "a=b", "v"},
      {"S", " lead", "v"},
      {"S", "[k", "v"},
      {"S", "k\n", "v"},
      {"a]b", "k", "v"},
      {"", "k", "v"},
      {"S\n[T", "k", "v"},
  };
  for (const Case& c : refused)
    EXPECT_FALSE(write(c.section, c.key, c.value)) << c.section << "/" << c.key << "=" << c.value;
  EXPECT_FALSE(exists("kelva.ini"));

  // No comment syntax: a semicolon starts a key like any other character.
  EXPECT_TRUE(write(" S ", ";k ", "v"));
  EXPECT_EQ(contents(), "[ S ]\n;k =v\n\n");
  EXPECT_EQ(read(" s ", ";K ", ""), "v");
}

TEST_F(IniStore, AChangedFileIsReadAgain)
{
  write("S", "k", "1");
  EXPECT_EQ(read("S", "k"), "1");
  replace("[S]\nk=2\n\n");   // same size, same second
  EXPECT_EQ(read("S", "k"), "2");
  std::filesystem::remove(path);
  EXPECT_EQ(read("S", "k"), "<default>");
}

TEST_F(IniStore, AWriterKeepsAChangeItsCacheCannotSee)
{
  write("S", "mine", "1");
  struct stat before;
  ASSERT_EQ(stat(path.c_str(), &before), 0);
  // Another program rewrites the file in place, same size, and puts the old
  // time back: nothing about the file looks changed.
  {
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(std::string("[S]\n").size());
    f << "nope=1";
  }
  const struct timespec times[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);

  write("S", "more", "2");
  EXPECT_EQ(contents(), "[S]\nmore=2\nnope=1\n\n");
}

TEST_F(IniStore, AFailedRewriteKeepsTheChangeInTheCache)
{
  const std::string unwritable = dir + "/missing/kelva.ini";
  EXPECT_TRUE(WritePrivateProfileString("S", "a", "1", unwritable.c_str()));
  EXPECT_TRUE(WritePrivateProfileString("S", "b", "2", unwritable.c_str()));
  EXPECT_EQ(readFrom(unwritable, "S", "a"), "1");
  EXPECT_EQ(readFrom(unwritable, "S", "b"), "2");
  EXPECT_FALSE(std::filesystem::exists(dir + "/missing"));
}

TEST_F(IniStore, ManyFilesShareTheCache)
{
  // More files than cache slots: evicted files are read again from disk.
  for (int round = 0; round < 2; ++round)
    for (int i = 0; i < 40; ++i)
    {
      const std::string file = dir + "/f" + std::to_string(i) + ".ini";
      if (round == 0)
        WritePrivateProfileString("S", "k", std::to_string(i).c_str(), file.c_str());
      else
        EXPECT_EQ(readFrom(file, "S", "k"), std::to_string(i));
    }
}
