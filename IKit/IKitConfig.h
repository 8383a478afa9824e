#pragma once

#include <cstdint>

// The record with which a plug-in declares itself to the framework. The base
// classes read it once, at construction.
struct Config
{
  int nParams = 0;
  int nPresets = 0;
  const char* channelIOStr = "";
  const char* pluginName = "";
  const char* productName = "";
  const char* mfrName = "";
  int vendorVersion = 0;      // major * 65536 + minor * 256 + patch
  int uniqueID = 0;           // four characters, first in the most significant byte
  int mfrID = 0;
  int latency = 0;
  bool plugDoesMidiIn = false;
  bool plugDoesMidiOut = false;
  bool plugDoesMPE = false;   // the third MIDI flag; read by nothing
  bool plugDoesChunks = false;
  int plugType = 0;           // 0 effect, 1 instrument, 2 MIDI effect
  bool plugHasUI = false;
  int plugWidth = 0;
  int plugHeight = 0;
  int plugMinWidth = 0;
  int plugMaxWidth = 0;
  int plugMinHeight = 0;
  int plugMaxHeight = 0;
  bool plugHostResize = false;
  const char* bundleID = "";
};

// Packs four characters into one integer, first character most significant.
constexpr int MakeFourCC(const char (&code)[5])
{
  return static_cast<int>((static_cast<uint32_t>(static_cast<unsigned char>(code[0])) << 24) |
                          (static_cast<uint32_t>(static_cast<unsigned char>(code[1])) << 16) |
                          (static_cast<uint32_t>(static_cast<unsigned char>(code[2])) << 8) |
                          static_cast<uint32_t>(static_cast<unsigned char>(code[3])));
}

// Where a parameter change comes from.
enum EParamSource
{
  kReset = 0,          // every parameter applied once at initialisation
  kHost = 1,           // the host set the value
  kPresetRecall = 2,   // a saved state or a program was restored
  kUI = 3,             // the user moved a control in the editor
  kDelegate = 4,       // the delegate pushed the value to the editor
};

// Direction of a bus or channel.
enum ERoute
{
  kInput = 0,
  kOutput = 1,
};
