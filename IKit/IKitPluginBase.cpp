#include "IKitPluginBase.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

namespace
{
// Program and bank file headers are big-endian; the state chunks inside them
// are little-endian like every other chunk.

void PutBE32(IByteChunk& chunk, int32_t value)
{
  const uint32_t u = static_cast<uint32_t>(value);
  const uint8_t bytes[4] = {static_cast<uint8_t>(u >> 24), static_cast<uint8_t>(u >> 16),
                            static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u)};
  chunk.PutBytes(bytes, 4);
}

bool GetBE32(const IByteChunk& chunk, int64_t pos, int32_t& value)
{
  uint8_t bytes[4];
  if (pos < 0 || pos > chunk.Size() || chunk.GetBytes(bytes, 4, static_cast<int>(pos)) < 0)
    return false;
  value = static_cast<int32_t>((static_cast<uint32_t>(bytes[0]) << 24) |
                               (static_cast<uint32_t>(bytes[1]) << 16) |
                               (static_cast<uint32_t>(bytes[2]) << 8) |
                               static_cast<uint32_t>(bytes[3]));
  return true;
}

void PutBEFloat(IByteChunk& chunk, float value)
{
  uint32_t u = 0;
  memcpy(&u, &value, sizeof(u));
  PutBE32(chunk, static_cast<int32_t>(u));
}

bool GetBEFloat(const IByteChunk& chunk, int64_t pos, float& value)
{
  int32_t raw = 0;
  if (!GetBE32(chunk, pos, raw))
    return false;
  const uint32_t u = static_cast<uint32_t>(raw);
  memcpy(&value, &u, sizeof(value));
  return true;
}

// The program name field: up to its first zero byte, and only as much of it
// as lies inside the file.
std::string GetNameField(const IByteChunk& file, int64_t pos)
{
  std::string name;
  for (int64_t i = 0; i < IKitinBase::kFileNameFieldSize && pos + i < file.Size(); ++i)
  {
    const char c = static_cast<char>(file.GetData()[pos + i]);
    if (c == '\0')
      break;
    name += c;
  }
  return name;
}

void PutNameField(IByteChunk& chunk, const char* name)
{
  char field[IKitinBase::kFileNameFieldSize] = {};
  memcpy(field, name, strnlen(name, sizeof(field) - 1));
  chunk.PutBytes(field, sizeof(field));
}

// Reads a whole file; false when it cannot be opened or read completely, or
// is too large to be a program or bank.
bool ReadFile(const char* path, IByteChunk& out)
{
  FILE* file = fopen(path, "rb");
  if (!file)
    return false;
  bool ok = fseek(file, 0, SEEK_END) == 0;
  const long size = ok ? ftell(file) : -1;
  ok = ok && size >= 0 && size <= IKitinBase::kMaxFileSize && fseek(file, 0, SEEK_SET) == 0;
  if (ok)
  {
    ok = out.Resize(static_cast<int>(size)) == size;
    if (ok && size > 0)
      ok = fread(out.GetData(), 1, static_cast<size_t>(size), file) == static_cast<size_t>(size);
  }
  fclose(file);
  return ok;
}

// Writes all of chunk to path, replacing the file; false on any error.
bool WriteFile(const char* path, const IByteChunk& chunk)
{
  FILE* file = fopen(path, "wb");
  if (!file)
    return false;
  const size_t size = static_cast<size_t>(chunk.Size());
  bool ok = fwrite(chunk.GetData(), 1, size, file) == size;
  if (fclose(file) != 0)
    ok = false;
  return ok;
}
} // namespace

// --- Store guard ---

// The audio thread may take the guard, so it must never hide a lock.
static_assert(std::atomic<std::thread::id>::is_always_lock_free, "store guard must be lock-free");

IKitinBase::StoreGuard::StoreGuard(const IKitinBase& owner)
  : mOwner(owner)
{
  const std::thread::id self = std::this_thread::get_id();
  if (mOwner.mStoreOwner.load(std::memory_order_acquire) == self)
  {
    ++mOwner.mStoreDepth;
    mAcquired = true;
    return;
  }
  std::thread::id none;
  if (mOwner.mStoreOwner.compare_exchange_strong(none, self, std::memory_order_acquire))
  {
    mOwner.mStoreDepth = 1;
    mAcquired = true;
  }
}

IKitinBase::StoreGuard::~StoreGuard()
{
  if (mAcquired && --mOwner.mStoreDepth == 0)
    mOwner.mStoreOwner.store(std::thread::id(), std::memory_order_release);
}

// --- Construction ---

IKitinBase::IKitinBase(const Config& config)
  : IGEditorDelegate(config.nParams)
  , mPluginName(config.pluginName ? config.pluginName : "")
  , mProductName(config.productName ? config.productName : "")
  , mMfrName(config.mfrName ? config.mfrName : "")
  , mChannelIOStr(config.channelIOStr ? config.channelIOStr : "")
  , mBundleID(config.bundleID ? config.bundleID : "")
  , mVersion(config.vendorVersion)
  , mUniqueID(config.uniqueID)
  , mMfrID(config.mfrID)
  , mLatency(config.latency)
  , mDoesMIDIIn(config.plugDoesMidiIn)
  , mDoesMIDIOut(config.plugDoesMidiOut)
  , mDoesMPE(config.plugDoesMPE)
  , mStateChunks(config.plugDoesChunks)
  , mPluginType(config.plugType)
  , mPresets(static_cast<size_t>(std::max(0, config.nPresets)))
{
  mRestoreScratch.Resize(kRestoreScratchBytes);
  mRestoreScratch.Clear();
}

IKitinBase::~IKitinBase() = default;

int IKitinBase::GetVersionDecimal() const
{
  const uint32_t v = static_cast<uint32_t>(mVersion);
  return static_cast<int>((v >> 16) * 10000 + ((v >> 8) & 0xFF) * 100 + (v & 0xFF));
}

// --- State ---

bool IKitinBase::SerializeParams(IByteChunk& chunk) const
{
  for (int i = 0; i < NParams(); ++i)
    chunk.Put(GetParam(i)->Value());
  return chunk.Size() > 0;
}

int IKitinBase::UnserializeParams(const IByteChunk& chunk, int startPos)
{
  int pos = startPos;
  for (int i = 0; i < NParams() && pos >= 0; ++i)
  {
    double v = 0.0;
    pos = chunk.Get(&v, pos);
    // A value the chunk does not hold is not invented: the parameter keeps
    // what it had.
    if (pos >= 0)
      GetParam(i)->Set(v);
  }
  OnParamReset(kPresetRecall);
  return pos;
}

bool IKitinBase::SerializeState(IByteChunk& chunk) const
{
  return SerializeParams(chunk);
}

int IKitinBase::UnserializeState(const IByteChunk& chunk, int startPos)
{
  return UnserializeParams(chunk, startPos);
}

int IKitinBase::unserializeOrvaneState(const IByteChunk& chunk, int startPos)
{
  StoreGuard guard(*this);
  if (!guard.Acquired())
    return -1;
  restoringFullState = true;
  const int pos = UnserializeState(chunk, startPos);
  restoringFullState = false;
  return pos;
}

bool IKitinBase::SerializeVST3CtrlrState(IByteChunk&) const
{
  return true;
}

int IKitinBase::UnserializeVST3CtrlrState(const IByteChunk&, int startPos)
{
  return startPos;
}

// --- Program store ---

void IKitinBase::SetCurrentPresetIdx(int idx)
{
  if (idx >= 0 && idx < NPresets())
    mCurrentPresetIdx.store(idx, std::memory_order_relaxed);
}

IPreset* IKitinBase::GetPreset(int idx)
{
  return idx >= 0 && idx < NPresets() ? &mPresets[idx] : nullptr;
}

const IPreset* IKitinBase::GetPreset(int idx) const
{
  return idx >= 0 && idx < NPresets() ? &mPresets[idx] : nullptr;
}

const char* IKitinBase::GetPresetName(int idx) const
{
  const IPreset* preset = GetPreset(idx);
  return preset ? preset->name : "";
}

void IKitinBase::CopyPresetName(IPreset& preset, const char* name, size_t maxLen)
{
  const size_t n = strnlen(name, std::min(maxLen, static_cast<size_t>(IPreset::kMaxNameLen)));
  memcpy(preset.name, name, n);
  preset.name[n] = '\0';
}

int IKitinBase::CountUserPresets() const
{
  int count = 0;
  for (const IPreset& preset : mPresets)
  {
    if (strstr(preset.name, "user preset"))
      ++count;
  }
  return count;
}

bool IKitinBase::RestorePreset(int idx)
{
  if (idx < 0 || idx >= NPresets())
    return false;
  StoreGuard guard(*this);
  if (!guard.Acquired())
    return false;

  IPreset& preset = mPresets[idx];
  if (!preset.initialized)
  {
    // A slot that never held a program takes the running sound, so the
    // sound does not change.
    // The state is written into a scratch chunk with room to spare and then
    // swapped in: a failure leaves the slot as it was, and a restore from
    // the audio thread (a MIDI program change) allocates nothing.
    mRestoreScratch.Clear();
    if (!SerializeState(mRestoreScratch))
      return false;
    char name[IPreset::kMaxNameLen + 1];
    snprintf(name, sizeof(name), "%s %d", "user preset", CountUserPresets() + 1);
    preset.initialized = true;
    CopyPresetName(preset, name, IPreset::kMaxNameLen);
    std::swap(preset.chunk, mRestoreScratch);
  }
  else if (UnserializeState(preset.chunk, 0) <= 0)
    return false;

  mCurrentPresetIdx.store(idx, std::memory_order_relaxed);
  OnPresetsModified();
  OnRestoreState();
  return true;
}

void IKitinBase::ModifyCurrentPreset(const char* name)
{
  StoreGuard guard(*this);
  if (!guard.Acquired())
    return;
  IPreset* preset = GetPreset(GetCurrentPresetIdx());
  if (!preset)
    return;
  IByteChunk state;
  if (SerializeState(state))
    preset->chunk = std::move(state);
  if (name && name[0])
    CopyPresetName(*preset, name, IPreset::kMaxNameLen);
}

bool IKitinBase::SerializePresets(IByteChunk& chunk) const
{
  StoreGuard guard(*this);
  if (!guard.Acquired())
    return false;
  for (const IPreset& preset : mPresets)
  {
    chunk.PutStr(preset.name);
    chunk.Put(preset.initialized);
    if (preset.initialized)
      chunk.PutChunk(&preset.chunk);
  }
  return chunk.Size() > 0;
}

int IKitinBase::UnserializePresets(const IByteChunk& chunk, int startPos)
{
  StoreGuard guard(*this);
  if (!guard.Acquired())
    return -1;

  int pos = startPos;
  for (int i = 0; i < NPresets() && pos >= 0; ++i)
  {
    // A slot changes only once its whole record has been read; one cut off
    // keeps its previous name, flag and state, as do the slots after it.
    std::string name;
    int next = chunk.GetStr(name, pos);
    bool initialized = false;
    if (next >= 0)
      next = chunk.Get(&initialized, next);
    if (next < 0)
    {
      pos = -1;
      break;
    }
    IPreset& preset = mPresets[i];
    if (initialized)
    {
      next = UnserializeState(chunk, next);
      IByteChunk state;
      if (next <= 0 || !SerializeState(state))
      {
        pos = -1;
        break;
      }
      // Stored again from the running plug-in, so every slot ends up in
      // this version's state format.
      preset.chunk = std::move(state);
    }
    CopyPresetName(preset, name.c_str(), IPreset::kMaxNameLen);
    preset.initialized = initialized;
    pos = next;
  }

  RestorePreset(GetCurrentPresetIdx());
  return pos;
}

// --- Files ---

void IKitinBase::PutProgramParamsHeader(IByteChunk& out, const char* name) const
{
  const uint32_t length = kProgramParamsHeaderSize + 4u * static_cast<uint32_t>(NParams());
  PutBE32(out, kFileMagic);
  PutBE32(out, static_cast<int32_t>(length));
  PutBE32(out, kProgramParamsMagic);
  PutBE32(out, 1);
  PutBE32(out, mUniqueID);
  PutBE32(out, GetVersionDecimal());
  PutBE32(out, NParams());
  PutNameField(out, name);
}

void IKitinBase::PutNormalizedValues(IByteChunk& out) const
{
  for (int i = 0; i < NParams(); ++i)
    PutBEFloat(out, static_cast<float>(GetParam(i)->GetNormalized()));
}

bool IKitinBase::LoadProgramParams(const IByteChunk& file, int pos, int end)
{
  bool any = false;
  for (int i = 0; i < NParams(); ++i)
  {
    // A short file stops here; later parameters keep their values.
    float v = 0.f;
    if (static_cast<int64_t>(pos) + 4 > end || !GetBEFloat(file, pos, v))
      break;
    GetParam(i)->SetNormalized(v);
    pos += 4;
    any = true;
  }
  return any;
}

void IKitinBase::MakePresetFXPChunk(IByteChunk& out)
{
  out.Clear();
  StoreGuard guard(*this);
  if (!guard.Acquired())
    return;
  const char* name = GetPresetName(GetCurrentPresetIdx());

  if (!DoesStateChunks())
  {
    PutProgramParamsHeader(out, name);
    PutNormalizedValues(out);
    return;
  }

  IByteChunk state;
  IByteChunk::PutVersionHeader(state);
  SerializeState(state);
  PutBE32(out, kFileMagic);
  PutBE32(out, static_cast<int32_t>(kProgramHeaderSize + static_cast<uint32_t>(state.Size())));
  PutBE32(out, kProgramChunkMagic);
  PutBE32(out, 1);
  PutBE32(out, mUniqueID);
  PutBE32(out, GetVersionDecimal());
  PutBE32(out, NParams());
  PutNameField(out, name);
  PutBE32(out, state.Size());
  out.PutChunk(&state);
}

void IKitinBase::MakeBankFXBChunk(IByteChunk& out)
{
  out.Clear();
  StoreGuard guard(*this);
  if (!guard.Acquired())
    return;

  const bool chunks = DoesStateChunks();
  IByteChunk block;
  if (chunks)
  {
    IByteChunk::PutVersionHeader(block);
    SerializePresets(block);
  }
  else
  {
    // Bare values need each slot's parameters: apply every stored slot in
    // turn, then bring the running state back.
    IByteChunk running;
    SerializeState(running);
    IByteChunk runningValues;
    PutNormalizedValues(runningValues);
    bool applied = false;
    for (const IPreset& preset : mPresets)
    {
      PutProgramParamsHeader(block, preset.name);
      if (preset.initialized && UnserializeState(preset.chunk, 0) > 0)
      {
        applied = true;
        PutNormalizedValues(block);
      }
      else
        block.PutChunk(&runningValues);
    }
    if (applied)
      UnserializeState(running, 0);
  }

  const int headerSize = chunks ? kBankHeaderSize : kBankParamsHeaderSize;
  PutBE32(out, kFileMagic);
  PutBE32(out, static_cast<int32_t>(headerSize + static_cast<uint32_t>(block.Size())));
  PutBE32(out, chunks ? kBankChunkMagic : kBankParamsMagic);
  PutBE32(out, 2);
  PutBE32(out, mUniqueID);
  PutBE32(out, GetVersionDecimal());
  PutBE32(out, NPresets());
  PutBE32(out, GetCurrentPresetIdx());
  const uint8_t reserved[kBankParamsHeaderSize - 32] = {};
  out.PutBytes(reserved, sizeof(reserved));
  if (chunks)
    PutBE32(out, block.Size());
  out.PutChunk(&block);
}

bool IKitinBase::LoadPresetFromFXPChunk(const IByteChunk& file)
{
  StoreGuard guard(*this);
  if (!guard.Acquired())
    return false;

  // Every check comes before anything changes, so a rejected file leaves
  // the running plug-in and the slots as they were.
  int32_t magic = 0, kind = 0, formatVersion = 0, uniqueID = 0;
  if (!GetBE32(file, 0, magic) || !GetBE32(file, 8, kind) || !GetBE32(file, 12, formatVersion) ||
      !GetBE32(file, 16, uniqueID))
    return false;
  if (magic != kFileMagic || formatVersion != 1 || uniqueID != mUniqueID)
    return false;
  const std::string name = GetNameField(file, 28);

  if (kind == kProgramChunkMagic && DoesStateChunks())
  {
    int32_t stateSize = 0;
    if (!GetBE32(file, 56, stateSize) || stateSize < 0)
      return false;
    int pos = kProgramHeaderSize;
    IByteChunk::GetVersionHeader(file, pos);
    // A file without any state bytes has nothing to apply.
    if (pos < 0 || pos >= file.Size())
      return false;
    UnserializeState(file, pos);
  }
  else if (kind == kProgramParamsMagic)
  {
    if (NParams() > 0 && file.Size() < kProgramParamsHeaderSize + 4)
      return false;
    LoadProgramParams(file, kProgramParamsHeaderSize, file.Size());
  }
  else
    return false;

  ModifyCurrentPreset(name.empty() ? nullptr : name.c_str());
  RestorePreset(GetCurrentPresetIdx());
  InformHostOfPresetChange();
  return true;
}

bool IKitinBase::LoadBankFromFXBChunk(const IByteChunk& file)
{
  StoreGuard guard(*this);
  if (!guard.Acquired())
    return false;

  int32_t magic = 0, kind = 0, uniqueID = 0;
  if (!GetBE32(file, 0, magic) || !GetBE32(file, 8, kind) || !GetBE32(file, 16, uniqueID))
    return false;
  if (magic != kFileMagic || uniqueID != mUniqueID)
    return false;

  if (kind == kBankChunkMagic && DoesStateChunks())
  {
    int32_t blockSize = 0;
    if (!GetBE32(file, 156, blockSize) || blockSize < 0)
      return false;
    int pos = kBankHeaderSize;
    IByteChunk::GetVersionHeader(file, pos);
    // The first slot's name and flag must be there, or the bank holds
    // nothing and the slots are left alone.
    std::string firstName;
    bool firstInitialized = false;
    const int afterName = pos < 0 ? -1 : file.GetStr(firstName, pos);
    if (afterName < 0 || file.Get(&firstInitialized, afterName) < 0)
      return false;
    UnserializePresets(file, pos);
    InformHostOfPresetChange();
    return true;
  }

  if (kind != kBankParamsMagic)
    return false;

  int32_t nPrograms = 0, currentIdx = 0;
  if (!GetBE32(file, 24, nPrograms) || !GetBE32(file, 28, currentIdx) ||
      file.Size() < kBankParamsHeaderSize || nPrograms < 0)
    return false;

  // Every program header lies at a fixed place, so all of them are checked
  // before the first slot changes. A program cut off by the end of the file
  // is the last one loaded, with as many values as it holds.
  const int64_t programSize = kProgramParamsHeaderSize + 4 * static_cast<int64_t>(NParams());
  std::vector<int64_t> programs;
  for (int64_t k = 0, pos = kBankParamsHeaderSize; k < nPrograms; ++k, pos += programSize)
  {
    if (pos + kProgramParamsHeaderSize > file.Size())
      break;
    int32_t programMagic = 0, programKind = 0, programVersion = 0, programParams = 0;
    GetBE32(file, pos, programMagic);
    GetBE32(file, pos + 8, programKind);
    GetBE32(file, pos + 12, programVersion);
    GetBE32(file, pos + 24, programParams);
    if (programMagic != kFileMagic || programKind != kProgramParamsMagic || programVersion != 1 ||
        programParams != NParams())
      return false;
    programs.push_back(pos);
    if (pos + programSize > file.Size())
      break;
  }
  if (nPrograms > 0 && programs.empty())
    return false;

  for (size_t k = 0; k < programs.size(); ++k)
  {
    const int pos = static_cast<int>(programs[k]);
    // Beyond the last slot this fails and the values land in the slot that
    // is current.
    RestorePreset(static_cast<int>(k));
    LoadProgramParams(file, pos + kProgramParamsHeaderSize, file.Size());
    const std::string name = GetNameField(file, pos + 28);
    ModifyCurrentPreset(name.empty() ? nullptr : name.c_str());
  }
  RestorePreset(currentIdx);
  InformHostOfPresetChange();
  return true;
}

bool IKitinBase::SavePresetAsFXP(const char* path)
{
  if (!path || !path[0])
    return false;
  IByteChunk file;
  MakePresetFXPChunk(file);
  return file.Size() > 0 && WriteFile(path, file);
}

bool IKitinBase::SaveBankAsFXB(const char* path)
{
  if (!path || !path[0])
    return false;
  IByteChunk file;
  MakeBankFXBChunk(file);
  return file.Size() > 0 && WriteFile(path, file);
}

bool IKitinBase::LoadPresetFromFXP(const char* path)
{
  if (!path || !path[0])
    return false;
  IByteChunk file;
  return ReadFile(path, file) && LoadPresetFromFXPChunk(file);
}

bool IKitinBase::LoadBankFromFXB(const char* path)
{
  if (!path || !path[0])
    return false;
  IByteChunk file;
  return ReadFile(path, file) && LoadBankFromFXBChunk(file);
}
