#include "IKitPaths.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string_view>

namespace
{
bool isFolder(const std::string& path)
{
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// "a/b/" and "a/b" name the same folder; the root stays "/".
std::string withoutTrailingSlashes(std::string path)
{
  while (path.size() > 1 && path.back() == '/')
    path.pop_back();
  return path;
}

// "folder/name" with exactly one "/" between, also for the root folder.
std::string join(const std::string& folder, std::string_view name)
{
  std::string path = withoutTrailingSlashes(folder);
  if (path != "/")
    path += '/';
  return path.append(name);
}

// The folder part of `path` ("" when there is none) and the last component.
std::string_view parentOf(std::string_view path)
{
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
}

std::string_view nameOf(std::string_view path)
{
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}
}

std::string HomePath()
{
  const char* home = std::getenv("HOME");
  return home ? home : "";
}

std::string ConfigFolderPath(const char* vendorFolder)
{
  std::string base;
  // A relative XDG_CONFIG_HOME is invalid and ignored, as the base-directory
  // convention asks.
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/')
    base = xdg;
  else
  {
    const std::string home = HomePath();
    if (home.empty())
      return {};
    base = join(home, ".config");
  }
  if (!vendorFolder || !*vendorFolder)
    return withoutTrailingSlashes(base);
  return join(base, vendorFolder);
}

bool CreateFolderWithParents(const std::string& path, mode_t mode)
{
  const std::string folder = withoutTrailingSlashes(path);
  if (folder.empty())
    return false;
  if (isFolder(folder))
    return true;
  for (size_t at = folder.find('/', 1); at != std::string::npos; at = folder.find('/', at + 1))
  {
    if (folder[at - 1] == '/')
      continue;   // "//" inside the path
    const std::string parent = folder.substr(0, at);
    if (!isFolder(parent) && mkdir(parent.c_str(), 0700) != 0 && errno != EEXIST)
      return false;
  }
  if (mkdir(folder.c_str(), mode) == 0)
  {
    // mkdir applies the file-creation mask; the folder is meant to have
    // exactly `mode`.
    chmod(folder.c_str(), mode);
    return true;
  }
  return isFolder(folder);   // created meanwhile by another process
}

std::string BundleParentPath(const std::string& modulePath)
{
  const std::string_view architecture = parentOf(modulePath);
  const std::string_view contents = parentOf(architecture);
  const std::string_view bundle = parentOf(contents);
  const std::string_view bundleName = nameOf(bundle);
  constexpr std::string_view kSuffix = ".vst3";
  if (nameOf(architecture).empty() || nameOf(contents) != "Contents" ||
      bundleName.size() <= kSuffix.size() || !bundleName.ends_with(kSuffix))
    return {};
  const size_t slash = bundle.rfind('/');
  if (slash == std::string_view::npos)
    return "./";   // a relative path starting at the bundle
  return std::string(bundle.substr(0, slash)) + "/";
}

std::string PluginPath()
{
  Dl_info info;
  if (dladdr(reinterpret_cast<void*>(&PluginPath), &info) == 0 || !info.dli_fname || !*info.dli_fname)
    return {};
  // The module's path as the host passed it to dlopen, possibly relative to
  // the working folder.
  std::error_code error;
  const std::string module = std::filesystem::absolute(info.dli_fname, error).lexically_normal().string();
  if (error)
    return {};
  std::string found = BundleParentPath(module);
  if (found.empty())
  {
    // The module may be a link into a bundle elsewhere: its real location decides.
    if (char* real = realpath(module.c_str(), nullptr))
    {
      found = BundleParentPath(real);
      std::free(real);
    }
  }
  return found;
}

std::string UserMusicPath()
{
  const std::string home = HomePath();
  return home.empty() ? std::string() : join(home, "Music");
}
