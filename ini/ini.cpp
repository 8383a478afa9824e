#include "ini.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

namespace
{
// Parsing stops once this many bytes precede the first section header: a file
// that is not an INI file (binary data, a wrong path) is not read whole.
constexpr size_t kMaxPreambleBytes = 262144;
// A configuration file is a few kilobytes. A larger file is read this far
// only, and is never rewritten, so the part that was not read is not lost.
constexpr size_t kMaxFileBytes = size_t{4} << 20;
constexpr int kCacheSlots = 32;

// ASCII letter case only, so that the order of a file does not depend on the
// locale a host happens to set; this is strcasecmp's order in the "C" locale.
inline unsigned char foldCase(unsigned char c)
{
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

struct NoCaseLess
{
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const
  {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i)
    {
      const unsigned char ca = foldCase(static_cast<unsigned char>(a[i]));
      const unsigned char cb = foldCase(static_cast<unsigned char>(b[i]));
      if (ca != cb)
        return ca < cb;
    }
    return a.size() < b.size();
  }
};

using KeyMap = std::map<std::string, std::string, NoCaseLess>;
using SectionMap = std::map<std::string, KeyMap, NoCaseLess>;

// One version of a file on disk. Seconds and size alone miss a rewrite within
// the same second that keeps the size; the inode (every rewrite through a
// rename gives a new one) and the change time in nanoseconds (which, unlike
// the modification time, no program can set back) catch it. All zero: no
// file.
struct FileStamp
{
  dev_t device = 0;
  ino_t inode = 0;
  int64_t mtimeSec = 0;
  int64_t mtimeNsec = 0;
  int64_t ctimeSec = 0;
  int64_t ctimeNsec = 0;
  int64_t size = 0;

  bool operator==(const FileStamp&) const = default;
};

FileStamp stampOf(const struct stat& st)
{
  return {st.st_dev,
          st.st_ino,
          static_cast<int64_t>(st.st_mtim.tv_sec),
          static_cast<int64_t>(st.st_mtim.tv_nsec),
          static_cast<int64_t>(st.st_ctim.tv_sec),
          static_cast<int64_t>(st.st_ctim.tv_nsec),
          static_cast<int64_t>(st.st_size)};
}

FileStamp currentStamp(const std::string& path)
{
  struct stat st;
  if (stat(path.c_str(), &st) != 0)
    return {};
  return stampOf(st);
}

struct iniFileContext
{
  uint64_t lastAccess = 0;
  FileStamp stamp;           // of the file when last read or written
  std::string path;          // empty: slot unused
  SectionMap sections;
  bool unsaved = false;      // holds a change the file lacks (a rewrite failed)
  bool incomplete = false;   // the file was larger than kMaxFileBytes
};

struct Store
{
  std::mutex lock;
  uint64_t accessCounter = 0;
  iniFileContext cache[kCacheSlots];
};

Store& store()
{
  static Store s;
  return s;
}

// Path of a companion file: "dir/.name<suffix>" for "dir/name".
std::string companionPath(const std::string& path, const char* suffix)
{
  const size_t slash = path.rfind('/');
  const size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
  return path.substr(0, nameAt) + "." + path.substr(nameAt) + suffix;
}

// ---------------------------------------------------------------- parsing

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kLineEnd = " \t\r\n";

class Parser
{
public:
  explicit Parser(SectionMap& sections) : sections(sections) {}

  bool seenHeader = false;

  void line(std::string_view text)
  {
    // Names and values are zero-terminated texts: a NUL ends the line's text.
    text = text.substr(0, text.find('\0'));
    const size_t last = text.find_last_not_of(kLineEnd);
    if (last == std::string_view::npos)
      return;
    text = text.substr(0, last + 1);
    text.remove_prefix(text.find_first_not_of(kBlanks));

    if (text.front() == '[')
    {
      const size_t close = text.find(']');
      if (close == std::string_view::npos)
        return;
      const std::string_view name = text.substr(1, close - 1);
      if (name.empty())
      {
        open = nullptr;   // "[]": its keys belong nowhere
        return;
      }
      // A repeated section replaces what was read for it before.
      KeyMap& keys = sections.try_emplace(std::string(name)).first->second;
      keys.clear();
      open = &keys;
      seenHeader = true;
      return;
    }

    if (!open)
      return;
    const size_t eq = text.find('=');
    if (eq == std::string_view::npos || eq == 0)
      return;
    // A key repeated within a section: the later value wins, the first
    // spelling of the key stays.
    open->insert_or_assign(std::string(text.substr(0, eq)), std::string(text.substr(eq + 1)));
  }

private:
  SectionMap& sections;
  KeyMap* open = nullptr;
};

// Parses the open file into `sections`. Returns false when the file was
// larger than kMaxFileBytes and only its beginning was read.
bool parseFile(int fd, SectionMap& sections)
{
  Parser parser(sections);
  std::string line;
  size_t total = 0;
  size_t preamble = 0;   // bytes of the lines before the first header
  char buffer[65536];
  for (;;)
  {
    ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR)
      continue;
    if (got <= 0)
      break;
    size_t n = static_cast<size_t>(got);
    const bool cut = total + n > kMaxFileBytes;
    if (cut)
      n = kMaxFileBytes - total;
    total += n;

    const char* p = buffer;
    const char* end = buffer + n;
    while (p < end)
    {
      const char* newline = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
      const char* stop = newline ? newline + 1 : end;
      line.append(p, static_cast<size_t>(stop - p));
      p = stop;
      if (!parser.seenHeader && preamble + line.size() > kMaxPreambleBytes)
        return true;
      if (!newline)
        break;
      if (!parser.seenHeader)
        preamble += line.size();
      parser.line(line);
      line.clear();
    }
    if (cut)
      return false;   // the partial line at the cut is dropped
  }
  if (!line.empty())
    parser.line(line);   // a last line without a line feed
  return true;
}

// Closes the file also when parsing runs out of memory.
struct OpenFile
{
  explicit OpenFile(int fd) : fd(fd) {}
  ~OpenFile()
  {
    if (fd >= 0)
      close(fd);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  const int fd;
};

void load(iniFileContext& ctx)
{
  ctx.sections.clear();
  ctx.stamp = {};
  ctx.unsaved = false;
  ctx.incomplete = false;
  // O_NONBLOCK: a FIFO at the path must not hang the caller; only regular
  // files are read.
  const OpenFile file(open(ctx.path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  struct stat st;
  if (file.fd < 0 || fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode))
    return;
  flock(file.fd, LOCK_SH);   // released when the file is closed
  ctx.incomplete = !parseFile(file.fd, ctx.sections);
  if (fstat(file.fd, &st) == 0)
    ctx.stamp = stampOf(st);
}

// Chooses the slot of `path` and marks its use. A slot taken over from
// another file starts as the copy of a missing file, so that the first check
// of its stamp loads the file if there is one.
iniFileContext& findSlot(const char* path)
{
  Store& s = store();
  iniFileContext* slot = nullptr;
  for (iniFileContext& c : s.cache)
    if (c.path.empty() || c.path == path)
    {
      slot = &c;
      break;
    }
  if (!slot)
  {
    slot = &s.cache[0];
    for (iniFileContext& c : s.cache)
      if (c.lastAccess < slot->lastAccess)
        slot = &c;
  }
  slot->lastAccess = ++s.accessCounter;
  if (slot->path != path)
  {
    slot->path = path;
    slot->sections.clear();
    slot->stamp = {};
    slot->unsaved = false;
    slot->incomplete = false;
  }
  return *slot;
}

// For reading: the cached copy, re-read when the file changed on disk.
iniFileContext& contextForReading(const char* path)
{
  iniFileContext& ctx = findSlot(path);
  if (currentStamp(ctx.path) != ctx.stamp)
    load(ctx);
  return ctx;
}

// ---------------------------------------------------------------- writing

// Held by a writer from reading the file to renaming its new version over it.
// The lock is on a file that is never replaced; a lock on the file itself or
// on the temporary file would not make two writers take turns.
class WriterLock
{
public:
  explicit WriterLock(const std::string& path)
  {
    const std::string lockPath = companionPath(path, ".lock");
    fd = open(lockPath.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0666);
    // Without a lock file (a read-only folder) the rewrite fails anyway.
    if (fd >= 0)
      while (flock(fd, LOCK_EX) != 0 && errno == EINTR)
      {
      }
  }
  ~WriterLock()
  {
    if (fd >= 0)
      close(fd);   // releases the lock
  }
  WriterLock(const WriterLock&) = delete;
  WriterLock& operator=(const WriterLock&) = delete;

private:
  int fd = -1;
};

bool writeAll(FILE* f, const SectionMap& sections)
{
  for (const auto& [name, keys] : sections)
  {
    if (std::fprintf(f, "[%s]\n", name.c_str()) < 0)
      return false;
    for (const auto& [key, value] : keys)
      if (!key.empty() && std::fprintf(f, "%s=%s\n", key.c_str(), value.c_str()) < 0)
        return false;
    if (std::fputs("\n", f) < 0)
      return false;
  }
  return std::fflush(f) == 0;
}

// Writes the cached copy to ".<name>.new" and renames it over the file. The
// file is replaced only by a completely written and synced copy, so a full
// disk or a crash leaves the previous version in place.
bool WriteBackFile(iniFileContext& ctx)
{
  const std::string temp = companionPath(ctx.path, ".new");
  struct stat old;
  const bool keepMode = stat(ctx.path.c_str(), &old) == 0 && S_ISREG(old.st_mode);
  // O_NOFOLLOW: a link planted under the temporary name must not make us
  // truncate the file it points to.
  const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0666);
  if (fd < 0)
    return false;
  if (keepMode)
    fchmod(fd, old.st_mode & 07777);   // the user's permissions survive the rename
  FILE* f = fdopen(fd, "w");
  if (!f)
  {
    close(fd);
    unlink(temp.c_str());
    return false;
  }
  flock(fd, LOCK_EX);
  bool ok = writeAll(f, ctx.sections) && fsync(fd) == 0;
  flock(fd, LOCK_UN);
  ok = std::fclose(f) == 0 && ok;
  if (!ok || rename(temp.c_str(), ctx.path.c_str()) != 0)
  {
    unlink(temp.c_str());
    return false;
  }
  ctx.stamp = currentStamp(ctx.path);
  return true;
}

// Applies `change` (returning whether it changed anything) to the file as it
// is on disk now, and rewrites the file if it did.
template <class Change>
void modify(const char* path, Change change)
{
  iniFileContext& ctx = findSlot(path);
  WriterLock writerLock(ctx.path);
  // Re-read under the lock even if the stamp looks unchanged: another writer
  // may have replaced the file a moment ago. Only a copy holding a change
  // that could not be written is kept while the file stays as it was.
  if (!(ctx.unsaved && currentStamp(ctx.path) == ctx.stamp))
    load(ctx);
  if (!change(ctx.sections))
    return;
  ctx.unsaved = ctx.incomplete || !WriteBackFile(ctx);
}

// ---------------------------------------------------------------- names

bool hasLineBreak(std::string_view s)
{
  return s.find_first_of("\r\n") != std::string_view::npos;
}

// A name or value is storable when it reads back as written.
bool storableSection(std::string_view s)
{
  return !s.empty() && !hasLineBreak(s) && s.find(']') == std::string_view::npos;
}

bool storableKey(std::string_view s)
{
  return !s.empty() && !hasLineBreak(s) && s.find('=') == std::string_view::npos && s.front() != ' ' &&
         s.front() != '\t' && s.front() != '[';
}

bool storableValue(std::string_view s)
{
  return !hasLineBreak(s);
}

bool validPath(const char* path)
{
  return path && *path;
}

// The value as a reader sees it: without surrounding blanks and tabs, and
// without one pair of enclosing quotes.
std::string_view presented(std::string_view v)
{
  const size_t first = v.find_first_not_of(kBlanks);
  if (first == std::string_view::npos)
    return {};
  v = v.substr(first, v.find_last_not_of(kBlanks) - first + 1);
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  return v;
}

int copyOut(std::string_view v, char* out, int outSize)
{
  const size_t n = std::min(v.size(), static_cast<size_t>(outSize - 1));
  if (n)
    std::memcpy(out, v.data(), n);
  out[n] = '\0';
  return static_cast<int>(n);
}
}

int GetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                            char* out, int outSize, const char* path)
{
  if (!out || outSize <= 0)
    return 0;
  const std::string_view fallback = defaultValue ? defaultValue : "";
  if (!section || !key || !validPath(path))
    return copyOut(fallback, out, outSize);
  try
  {
    std::lock_guard<std::mutex> guard(store().lock);
    const iniFileContext& ctx = contextForReading(path);
    const auto s = ctx.sections.find(std::string_view(section));
    if (s != ctx.sections.end())
    {
      const auto k = s->second.find(std::string_view(key));
      if (k != s->second.end())
        return copyOut(presented(k->second), out, outSize);
    }
  }
  catch (...)
  {
    // Out of memory while parsing: the file reads as missing.
  }
  return copyOut(fallback, out, outSize);
}

bool WritePrivateProfileString(const char* section, const char* key, const char* value,
                               const char* path)
{
  if (!section || !validPath(path) || (key && !*key))
    return false;
  if (key && value && !(storableSection(section) && storableKey(key) && storableValue(value)))
    return false;
  try
  {
    std::lock_guard<std::mutex> guard(store().lock);
    if (!key)
      modify(path, [&](SectionMap& sections) {
        const auto s = sections.find(std::string_view(section));
        if (s == sections.end())
          return false;
        sections.erase(s);
        return true;
      });
    else if (!value)
      modify(path, [&](SectionMap& sections) {
        const auto s = sections.find(std::string_view(section));
        if (s == sections.end())
          return false;
        const auto k = s->second.find(std::string_view(key));
        if (k == s->second.end())
          return false;
        s->second.erase(k);
        return true;
      });
    else
      modify(path, [&](SectionMap& sections) {
        const auto s = sections.find(std::string_view(section));
        if (s != sections.end())
        {
          const auto k = s->second.find(std::string_view(key));
          if (k != s->second.end() && k->second == value)
            return false;
        }
        KeyMap& keys = s != sections.end() ? s->second : sections.try_emplace(section).first->second;
        keys.insert_or_assign(key, value);   // a replaced key keeps its spelling
        return true;
      });
  }
  catch (...)
  {
    return false;
  }
  return true;
}

bool WritePrivateProfileSection(const char* section, const char* entries, const char* path)
{
  if (!section || !validPath(path) || !storableSection(section))
    return false;
  try
  {
    KeyMap keys;
    for (const char* entry = entries; entry && *entry; entry += std::strlen(entry) + 1)
    {
      const std::string_view text = entry;
      const size_t eq = text.find('=');
      if (eq == std::string_view::npos || eq == 0)
        continue;
      const std::string_view k = text.substr(0, eq);
      const std::string_view v = text.substr(eq + 1);
      if (storableKey(k) && storableValue(v))
        keys.insert_or_assign(std::string(k), std::string(v));
    }
    std::lock_guard<std::mutex> guard(store().lock);
    modify(path, [&](SectionMap& sections) {
      const auto s = sections.find(std::string_view(section));
      if (s == sections.end())
      {
        if (keys.empty())
          return false;
        sections.emplace(section, keys);
        return true;
      }
      if (s->second == keys)
        return false;
      s->second = keys;
      return true;
    });
  }
  catch (...)
  {
    return false;
  }
  return true;
}
