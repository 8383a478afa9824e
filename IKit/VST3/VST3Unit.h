#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace VST3
{
constexpr int32_t kRootUnitId = 0;
constexpr int32_t kNoParentUnitId = -1;
constexpr int32_t kNoProgramListId = -1;

// What a host is told about a unit (a named group of parameters).
struct UnitInfo
{
  int32_t id = kRootUnitId;
  int32_t parentUnitId = kNoParentUnitId;
  std::u16string name;
  int32_t programListId = kNoProgramListId;
};

// A unit: the host shows the parameters of one unit together and nests units
// by their parent IDs. Main thread.
class Unit
{
public:
  explicit Unit(const UnitInfo& info) : info(info) {}
  Unit(std::u16string_view name, int32_t id, int32_t parentUnitId = kNoParentUnitId,
       int32_t programListId = kNoProgramListId);
  virtual ~Unit() = default;

  const UnitInfo& getInfo() const { return info; }
  int32_t getId() const { return info.id; }
  void setProgramListId(int32_t id) { info.programListId = id; }

private:
  UnitInfo info;
};

// What a host is told about a program list.
struct ProgramListInfo
{
  int32_t id = 0;
  std::u16string name;
  int32_t programCount = 0;
};

// A named list of programs, each with a name, optional attributes (texts by
// attribute ID) and optional names for MIDI pitches (drum maps and the like).
// Main thread.
class ProgramList
{
public:
  ProgramList(std::u16string_view name, int32_t id, int32_t unitId = kRootUnitId);
  virtual ~ProgramList() = default;

  int32_t getId() const { return id; }
  const std::u16string& getName() const { return name; }
  int32_t getUnitId() const { return unitId; }
  int32_t getCount() const { return static_cast<int32_t>(programs.size()); }
  ProgramListInfo getInfo() const;

  // Appends a program; returns its index.
  int32_t addProgram(std::u16string_view programName);
  virtual bool getProgramName(int32_t index, std::u16string& programName) const;
  virtual bool setProgramName(int32_t index, std::u16string_view programName);

  virtual bool getProgramInfo(int32_t index, const char* attributeId, std::u16string& value) const;
  bool setProgramInfo(int32_t index, const char* attributeId, std::u16string_view value);

  virtual bool hasPitchNames(int32_t index) const;
  virtual bool getPitchName(int32_t index, int16_t pitch, std::u16string& pitchName) const;
  bool setPitchName(int32_t index, int16_t pitch, std::u16string_view pitchName);
  bool removePitchName(int32_t index, int16_t pitch);

private:
  struct Program
  {
    std::u16string name;
    std::map<std::string, std::u16string> attributes;
    std::map<int16_t, std::u16string> pitchNames;
  };

  const Program* find(int32_t index) const;
  Program* find(int32_t index);

  std::u16string name;
  int32_t id;
  int32_t unitId;
  std::vector<Program> programs;
};
} // namespace VST3
