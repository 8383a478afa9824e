// Loads arbitrary bytes as a program file, then writes the program out and
// reads it back: hostile headers, lengths, names and values must neither
// crash nor leave a parameter outside its range.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz_plugin.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  static FuzzPlugin plug;
  if (size > static_cast<size_t>(IKitinBase::kMaxFileSize))
    return 0;

  IByteChunk file;
  file.PutBytes(data, static_cast<int>(size));
  if (plug.LoadPresetFromFXPChunk(file))
  {
    IByteChunk saved;
    plug.MakePresetFXPChunk(saved);
    if (!plug.LoadPresetFromFXPChunk(saved))
      abort();
  }
  plug.CheckParams();
  plug.CheckPresets();
  return 0;
}
