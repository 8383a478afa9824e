// Loads arbitrary bytes as a bank file, then writes the bank out and reads
// it back. The bank is offered both to a plug-in with state chunks and to
// one without, so that the bare-value bank writer runs on fuzzed slots too.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz_plugin.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  static FuzzPlugin chunks(true);
  static FuzzPlugin bare(false);
  if (size > static_cast<size_t>(IKitinBase::kMaxFileSize))
    return 0;

  IByteChunk file;
  file.PutBytes(data, static_cast<int>(size));
  for (FuzzPlugin* plug : {&chunks, &bare})
  {
    if (plug->LoadBankFromFXBChunk(file))
    {
      IByteChunk saved;
      plug->MakeBankFXBChunk(saved);
      if (!plug->LoadBankFromFXBChunk(saved))
        abort();
    }
    plug->CheckParams();
    plug->CheckPresets();
  }
  return 0;
}
