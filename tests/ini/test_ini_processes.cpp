#include "ini_fixture.h"

#include <sys/wait.h>

#include <string>

using IniSharedFile = IniFolder;

namespace
{
constexpr int kWritesEach = 200;

std::string keyOf(int writer, int n)
{
  return "writer" + std::to_string(writer) + "-" + std::to_string(n);
}

// Runs in a forked child: its own keys, one rewrite each. Exits without
// returning into the test framework.
[[noreturn]] void writeKeys(int writer, const std::string& path, int startPipe)
{
  char go;
  if (read(startPipe, &go, 1) != 1)
    _exit(2);
  for (int n = 0; n < kWritesEach; ++n)
  {
    const std::string section = n % 2 ? "Shared" : "Writer " + std::to_string(writer);
    if (!WritePrivateProfileString(section.c_str(), keyOf(writer, n).c_str(), std::to_string(n).c_str(),
                                   path.c_str()))
      _exit(3);
  }
  _exit(0);
}
}

TEST_F(IniSharedFile, TwoProcessesWritingAtOnceLoseNoKey)
{
  write("Shared", "marker", "present");
  int start[2];
  ASSERT_EQ(pipe(start), 0);
  pid_t children[2];
  for (int writer = 0; writer < 2; ++writer)
  {
    children[writer] = fork();
    ASSERT_GE(children[writer], 0);
    if (children[writer] == 0)
      writeKeys(writer, path, start[0]);
  }
  close(start[0]);
  ASSERT_EQ(::write(start[1], "gg", 2), 2);
  close(start[1]);

  // Meanwhile a reader never finds the file half-written.
  bool running = true;
  int status[2] = {-1, -1};
  while (running)
  {
    ASSERT_EQ(read("Shared", "marker"), "present");
    running = false;
    for (int writer = 0; writer < 2; ++writer)
      if (status[writer] == -1 && waitpid(children[writer], &status[writer], WNOHANG) == 0)
      {
        status[writer] = -1;
        running = true;
      }
  }
  for (int writer = 0; writer < 2; ++writer)
  {
    ASSERT_TRUE(WIFEXITED(status[writer]));
    EXPECT_EQ(WEXITSTATUS(status[writer]), 0) << writer;
  }

  const std::string copy = dir + "/copy.ini";   // parsed afresh
  std::filesystem::copy_file(path, copy);
  int missing = 0;
  for (int writer = 0; writer < 2; ++writer)
    for (int n = 0; n < kWritesEach; ++n)
    {
      const std::string section = n % 2 ? "Shared" : "Writer " + std::to_string(writer);
      if (readFrom(copy, section.c_str(), keyOf(writer, n).c_str()) != std::to_string(n))
        ++missing;
    }
  EXPECT_EQ(missing, 0);
  EXPECT_EQ(readFrom(copy, "Shared", "marker"), "present");
  const std::string text = contents(copy);
  EXPECT_EQ(text.substr(0, 9), "[Shared]\n");
  EXPECT_EQ(text.substr(text.size() - 2), "\n\n");
  EXPECT_FALSE(exists(".kelva.ini.new"));
}
