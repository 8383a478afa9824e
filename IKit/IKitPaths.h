#pragma once

#include <sys/types.h>

#include <string>

// Where the plug-in finds the user's folders and its own bundle. Paths are
// returned without a trailing "/" unless stated otherwise; an empty text means
// the place is unknown. Any thread.

// The user's home folder from "HOME"; empty when it is not set.
std::string HomePath();

// The user's configuration folder of the vendor: "$XDG_CONFIG_HOME/<vendor>",
// or "$HOME/.config/<vendor>" when XDG_CONFIG_HOME is unset, empty or not an
// absolute path. Empty when neither variable gives a folder: the caller then
// has no configuration folder (never "/<vendor>").
std::string ConfigFolderPath(const char* vendorFolder);

// Creates `path` with the permissions `mode`, not reduced by the process's
// file-creation mask, and any missing parent folders with 0700 (a fresh
// account may lack "~/.config", which is private). An existing folder keeps
// its permissions. Returns true when `path` is a folder afterwards.
bool CreateFolderWithParents(const std::string& path, mode_t mode);

// The folder that holds the bundle folder "<name>.vst3" of the module this
// function is linked into, followed by "/"; empty when the module is not
// inside a bundle.
std::string PluginPath();

// The same for a module at `modulePath`, expected at
// "<folder>/<name>.vst3/Contents/<architecture>/<name>.so": "<folder>/", or
// empty when the path does not have that shape.
std::string BundleParentPath(const std::string& modulePath);

// The user's music folder, "$HOME/Music"; empty without a home folder.
std::string UserMusicPath();
