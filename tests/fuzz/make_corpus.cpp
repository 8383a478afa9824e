// Writes the seed corpora of the program and bank file fuzz targets: valid
// files of every kind as the framework writes them, and damaged variants of
// them (cut short, bad lengths and counts, foreign headers).
//
// Usage: fuzz_make_corpus <corpus folder>   (creates fxp/ and fxb/ in it)

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz_plugin.h"

namespace
{
std::string gRoot;

void SetBE32(IByteChunk& chunk, int pos, int32_t value)
{
  if (pos + 4 > chunk.Size())
    return;
  uint8_t* p = chunk.GetData() + pos;
  const uint32_t u = static_cast<uint32_t>(value);
  p[0] = uint8_t(u >> 24);
  p[1] = uint8_t(u >> 16);
  p[2] = uint8_t(u >> 8);
  p[3] = uint8_t(u);
}

void SetLE32(IByteChunk& chunk, int pos, int32_t value)
{
  if (pos + 4 <= chunk.Size())
    memcpy(chunk.GetData() + pos, &value, 4);
}

IByteChunk Cut(const IByteChunk& chunk, int size)
{
  IByteChunk cut;
  cut.PutBytes(chunk.GetData(), std::min(size, chunk.Size()));
  return cut;
}

void Write(const char* kind, const char* name, const IByteChunk& chunk)
{
  const std::string path = gRoot + "/" + kind + "/" + name;
  FILE* f = fopen(path.c_str(), "wb");
  if (!f || fwrite(chunk.GetData(), 1, chunk.Size(), f) != static_cast<size_t>(chunk.Size()))
    fprintf(stderr, "cannot write %s\n", path.c_str());
  if (f)
    fclose(f);
}

// A plug-in with a few stored programs of distinct sounds.
void Fill(FuzzPlugin& plug, int nSlots)
{
  for (int slot = 0; slot < nSlots; ++slot)
  {
    for (int i = 0; i < plug.NParams(); ++i)
      plug.GetParam(i)->SetNormalized(((slot * 5 + i * 3) % 13) / 12.0);
    plug.RestorePreset(slot);
    plug.ModifyCurrentPreset(("Seed program " + std::to_string(slot)).c_str());
  }
  plug.RestorePreset(nSlots > 2 ? 2 : 0);
}
} // namespace

int main(int argc, char** argv)
{
  if (argc != 2)
  {
    fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
    return 2;
  }
  gRoot = argv[1];
  std::filesystem::create_directories(gRoot + "/fxp");
  std::filesystem::create_directories(gRoot + "/fxb");

  FuzzPlugin chunks(true);
  FuzzPlugin bare(false);
  Fill(chunks, 4);
  Fill(bare, 4);

  // Program files.
  IByteChunk fpch, fxck;
  chunks.MakePresetFXPChunk(fpch);
  bare.MakePresetFXPChunk(fxck);
  Write("fxp", "fpch-valid", fpch);
  Write("fxp", "fxck-valid", fxck);
  chunks.ModifyCurrentPreset("A program name much longer than its field in the file");
  IByteChunk longName;
  chunks.MakePresetFXPChunk(longName);
  Write("fxp", "fpch-long-name", longName);
  Write("fxp", "fpch-cut-header", Cut(fpch, 59));
  Write("fxp", "fpch-no-state", Cut(fpch, 60));
  Write("fxp", "fpch-cut-version", Cut(fpch, 64));
  Write("fxp", "fpch-cut-state", Cut(fpch, 68 + 100));
  IByteChunk badLength = fpch;
  SetBE32(badLength, 56, -1);
  Write("fxp", "fpch-negative-length", badLength);
  SetBE32(badLength, 56, 0x7FFFFFFF);
  SetBE32(badLength, 4, 0x7FFFFFFF);
  Write("fxp", "fpch-huge-length", badLength);
  IByteChunk noHeader = fpch;
  memset(noHeader.GetData() + 60, 0, 8);
  Write("fxp", "fpch-no-version-header", noHeader);
  IByteChunk nanState = fpch;
  for (int pos = 68; pos + 8 <= nanState.Size(); pos += 8)
    SetLE32(nanState, pos + 4, 0x7FF80000);
  Write("fxp", "fpch-nan-values", nanState);
  Write("fxp", "fxck-cut-values", Cut(fxck, 56 + 4 * 7 + 1));
  IByteChunk nanParams = fxck;
  for (int pos = 56; pos + 4 <= nanParams.Size(); pos += 4)
    SetBE32(nanParams, pos, (pos / 4) % 2 ? 0x7FC00000 : 0x7F800000);
  Write("fxp", "fxck-nan-inf-values", nanParams);
  IByteChunk foreign = fpch;
  SetBE32(foreign, 16, MakeFourCC("abcd"));
  Write("fxp", "fpch-foreign-id", foreign);
  IByteChunk v2 = fxck;
  SetBE32(v2, 12, 2);
  Write("fxp", "fxck-version-2", v2);

  // Bank files.
  IByteChunk fbch, fxbk;
  chunks.MakeBankFXBChunk(fbch);
  bare.MakeBankFXBChunk(fxbk);
  Write("fxb", "fbch-valid", fbch);
  Write("fxb", "fxbk-valid", fxbk);
  Write("fxb", "fbch-cut-header", Cut(fbch, 159));
  Write("fxb", "fbch-version-only", Cut(fbch, 168));
  Write("fxb", "fbch-cut-slot", Cut(fbch, 168 + 600));
  IByteChunk negName = fbch;
  SetLE32(negName, 168, -7);
  Write("fxb", "fbch-negative-name-length", negName);
  SetLE32(negName, 168, 0x7FFFFFF0);
  Write("fxb", "fbch-huge-name-length", negName);
  IByteChunk badBlock = fbch;
  SetBE32(badBlock, 156, -1);
  Write("fxb", "fbch-negative-block-length", badBlock);
  const int programSize = 56 + 4 * bare.NParams();
  IByteChunk fewPrograms = Cut(fxbk, 156 + 3 * programSize);
  SetBE32(fewPrograms, 24, 3);
  Write("fxb", "fxbk-three-programs", fewPrograms);
  Write("fxb", "fxbk-cut-program", Cut(fxbk, 156 + programSize + 56 + 10));
  IByteChunk hugeCount = fewPrograms;
  SetBE32(hugeCount, 24, 0x7FFFFFFF);
  SetBE32(hugeCount, 28, -5);
  Write("fxb", "fxbk-huge-count", hugeCount);
  IByteChunk negCount = fewPrograms;
  SetBE32(negCount, 24, -1);
  Write("fxb", "fxbk-negative-count", negCount);
  IByteChunk wrongParams = fewPrograms;
  SetBE32(wrongParams, 156 + programSize + 24, 54);
  Write("fxb", "fxbk-wrong-param-count", wrongParams);
  IByteChunk foreignBank = fbch;
  SetBE32(foreignBank, 16, MakeFourCC("abcd"));
  Write("fxb", "fbch-foreign-id", foreignBank);
  return 0;
}
