#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "IGraphicsEditorDelegate.h"
#include "IKitByteChunk.h"
#include "IKitConfig.h"
#include "IKitParameter.h"

// One program slot.
struct IPreset
{
  // Longest name a slot holds, without the terminator.
  static constexpr int kMaxNameLen = 255;

  // True once the slot was restored or a bank marked it; the chunk of an
  // uninitialised slot is never read.
  bool initialized = false;
  char name[kMaxNameLen + 1] = "empty";
  // The bytes SerializeState wrote when the slot was last stored.
  IByteChunk chunk;
};

// The host-neutral plug-in base: the declaration from Config, the state
// framing, the program store and the program ("fxp") and bank ("fxb") files.
//
// The store has no lock. Its operations may run on the user-interface thread
// and, for a MIDI program change, on the audio thread; an operation that
// finds the store busy on another thread does nothing and reports failure
// instead of waiting, so neither thread ever blocks and no slot is read
// while another thread rewrites it. Nested calls on one thread proceed.
class IKitinBase : public IGEditorDelegate
{
public:
  // The program-file and bank-file magics, as four characters in reading
  // order.
  static constexpr int32_t kFileMagic = MakeFourCC("CcnK");
  static constexpr int32_t kProgramChunkMagic = MakeFourCC("FPCh");
  static constexpr int32_t kProgramParamsMagic = MakeFourCC("FxCk");
  static constexpr int32_t kBankChunkMagic = MakeFourCC("FBCh");
  static constexpr int32_t kBankParamsMagic = MakeFourCC("FxBk");
  // Sizes of the fixed headers in front of a program's state (or values) and
  // a bank's program block (or programs).
  static constexpr int kProgramHeaderSize = 60;
  static constexpr int kProgramParamsHeaderSize = 56;
  static constexpr int kBankHeaderSize = 160;
  static constexpr int kBankParamsHeaderSize = 156;
  // Characters of the program name field, terminator included.
  static constexpr int kFileNameFieldSize = 28;
  // Files larger than this cannot be a program or bank of a plug-in and are
  // not read.
  static constexpr long kMaxFileSize = 64L * 1024 * 1024;

  explicit IKitinBase(const Config& config);
  ~IKitinBase() override;

  // --- Declaration (any thread) ---

  const char* GetPluginName() const { return mPluginName.c_str(); }
  const char* GetProductName() const { return mProductName.c_str(); }
  const char* GetMfrName() const { return mMfrName.c_str(); }
  const char* GetChannelIOStr() const { return mChannelIOStr.c_str(); }
  const char* GetBundleID() const { return mBundleID.c_str(); }
  // major * 65536 + minor * 256 + patch, e.g. 0x10301 for 1.3.1.
  int GetVersion() const { return mVersion; }
  int GetPluginVersion() const { return mVersion; }
  // major * 10000 + minor * 100 + patch, e.g. 10301 for 1.3.1.
  int GetVersionDecimal() const;
  int GetUniqueID() const { return mUniqueID; }
  int GetMfrID() const { return mMfrID; }
  int GetLatency() const { return mLatency; }
  bool DoesMIDIIn() const { return mDoesMIDIIn; }
  bool DoesMIDIOut() const { return mDoesMIDIOut; }
  bool DoesMPE() const { return mDoesMPE; }
  // Program and bank files carry the state as one chunk.
  bool DoesStateChunks() const { return mStateChunks; }
  int GetPluginType() const { return mPluginType; }
  bool IsInstrument() const { return mPluginType == 1; }

  // --- State (main thread unless the caller says otherwise) ---

  // Every parameter's plain value as a 64-bit float, in index order. True
  // when the chunk is not empty afterwards.
  bool SerializeParams(IByteChunk& chunk) const;
  // Reads values in index order and sets each parameter (snapped, clamped)
  // until the chunk runs out; a parameter whose value is missing keeps its
  // value. Then OnParamReset(kPresetRecall). Returns the position after the
  // last value, or -1 when the chunk ended early or startPos was negative.
  int UnserializeParams(const IByteChunk& chunk, int startPos);

  // The plug-in's state; by default the parameter values.
  virtual bool SerializeState(IByteChunk& chunk) const;
  // Applies a state; returns the position after it, or a negative value.
  virtual int UnserializeState(const IByteChunk& chunk, int startPos);
  // UnserializeState with restoringFullState set: a host restoring the
  // plug-in's saved state.
  virtual int unserializeOrvaneState(const IByteChunk& chunk, int startPos);
  // A separate controller state; nothing by default.
  virtual bool SerializeVST3CtrlrState(IByteChunk& chunk) const;
  virtual int UnserializeVST3CtrlrState(const IByteChunk& chunk, int startPos);

  // --- Program store (main thread; RestorePreset also audio thread) ---

  int NPresets() const { return static_cast<int>(mPresets.size()); }
  int GetCurrentPresetIdx() const { return mCurrentPresetIdx.load(std::memory_order_relaxed); }
  // Makes idx the current program without restoring it; an index outside
  // the slots changes nothing.
  void SetCurrentPresetIdx(int idx);
  // Null outside the slots.
  IPreset* GetPreset(int idx);
  const IPreset* GetPreset(int idx) const;
  // "" outside the slots.
  const char* GetPresetName(int idx) const;

  // Applies slot idx to the running plug-in and makes it current. A slot
  // that never held a program first takes the running state under the name
  // "user preset N". False for an index outside the slots or a failed state.
  bool RestorePreset(int idx);
  // Stores the running state into the current slot and, when name is not
  // empty, renames it (cut to 255 characters).
  void ModifyCurrentPreset(const char* name = nullptr);

  // Every slot: name (length-prefixed), initialised byte, and for an
  // initialised slot its state bytes.
  bool SerializePresets(IByteChunk& chunk) const;
  // Reads slots in order until the data ends; a slot whose record is cut
  // off keeps its previous contents, as do the slots after it. Ends by
  // restoring the current program. Returns the position after the last
  // slot read, or -1.
  virtual int UnserializePresets(const IByteChunk& chunk, int startPos);

  // Files. Saving writes the chunk variant when DoesStateChunks(), else the
  // bare-value variant; false when the path is empty or the file cannot be
  // written completely. Loading accepts all four variants and returns
  // whether the file was accepted.
  bool SavePresetAsFXP(const char* path);
  bool SaveBankAsFXB(const char* path);
  bool LoadPresetFromFXP(const char* path);
  bool LoadBankFromFXB(const char* path);

  // The same, on a file's bytes in memory.
  bool LoadPresetFromFXPChunk(const IByteChunk& file);
  bool LoadBankFromFXBChunk(const IByteChunk& file);
  // Replaces out's contents with a program file of the current program (the
  // current slot's name and the running state).
  void MakePresetFXPChunk(IByteChunk& out);
  // Replaces out's contents with a bank file of all slots.
  void MakeBankFXBChunk(IByteChunk& out);

  // Called after every successful restore.
  virtual void OnPresetsModified() {}
  // Called after every accepted file load.
  virtual void InformHostOfPresetChange() {}

protected:
  // True only while a host restores the plug-in's state
  // (unserializeOrvaneState).
  bool restoringFullState = false;

private:
  // Marks the store as in use by the calling thread for its lifetime;
  // Acquired() is false when another thread holds it.
  class StoreGuard
  {
  public:
    explicit StoreGuard(const IKitinBase& owner);
    ~StoreGuard();
    StoreGuard(const StoreGuard&) = delete;
    StoreGuard& operator=(const StoreGuard&) = delete;
    bool Acquired() const { return mAcquired; }

  private:
    const IKitinBase& mOwner;
    bool mAcquired = false;
  };

  static void CopyPresetName(IPreset& preset, const char* name, size_t maxLen);
  int CountUserPresets() const;
  void PutProgramParamsHeader(IByteChunk& out, const char* name) const;
  void PutNormalizedValues(IByteChunk& out) const;
  bool LoadProgramParams(const IByteChunk& file, int pos, int end);

  std::string mPluginName;
  std::string mProductName;
  std::string mMfrName;
  std::string mChannelIOStr;
  std::string mBundleID;
  int mVersion = 0;
  int mUniqueID = 0;
  int mMfrID = 0;
  int mLatency = 0;
  bool mDoesMIDIIn = false;
  bool mDoesMIDIOut = false;
  bool mDoesMPE = false;
  bool mStateChunks = false;
  int mPluginType = 0;

  std::vector<IPreset> mPresets;
  // Room for one state, kept so that restoring an untouched slot does not
  // allocate.
  static constexpr int kRestoreScratchBytes = 4096;
  IByteChunk mRestoreScratch;
  std::atomic<int> mCurrentPresetIdx{0};

  // The thread that holds the store, and how deeply it has entered it.
  mutable std::atomic<std::thread::id> mStoreOwner{};
  mutable int mStoreDepth = 0;
};
