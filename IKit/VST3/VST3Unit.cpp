#include "VST3Unit.h"

namespace VST3
{
Unit::Unit(std::u16string_view name, int32_t id, int32_t parentUnitId, int32_t programListId)
{
  info.id = id;
  info.parentUnitId = parentUnitId;
  info.name = name;
  info.programListId = programListId;
}

ProgramList::ProgramList(std::u16string_view name, int32_t id, int32_t unitId) : name(name), id(id), unitId(unitId) {}

ProgramListInfo ProgramList::getInfo() const
{
  return {id, name, getCount()};
}

int32_t ProgramList::addProgram(std::u16string_view programName)
{
  programs.push_back(Program{std::u16string(programName), {}, {}});
  return getCount() - 1;
}

const ProgramList::Program* ProgramList::find(int32_t index) const
{
  return index >= 0 && index < getCount() ? &programs[size_t(index)] : nullptr;
}

ProgramList::Program* ProgramList::find(int32_t index)
{
  return index >= 0 && index < getCount() ? &programs[size_t(index)] : nullptr;
}

bool ProgramList::getProgramName(int32_t index, std::u16string& programName) const
{
  const Program* program = find(index);
  if (!program)
    return false;
  programName = program->name;
  return true;
}

bool ProgramList::setProgramName(int32_t index, std::u16string_view programName)
{
  Program* program = find(index);
  if (!program)
    return false;
  program->name = programName;
  return true;
}

bool ProgramList::getProgramInfo(int32_t index, const char* attributeId, std::u16string& value) const
{
  const Program* program = find(index);
  if (!program || !attributeId)
    return false;
  const auto found = program->attributes.find(attributeId);
  if (found == program->attributes.end())
    return false;
  value = found->second;
  return true;
}

bool ProgramList::setProgramInfo(int32_t index, const char* attributeId, std::u16string_view value)
{
  Program* program = find(index);
  if (!program || !attributeId)
    return false;
  program->attributes[attributeId] = value;
  return true;
}

bool ProgramList::hasPitchNames(int32_t index) const
{
  const Program* program = find(index);
  return program && !program->pitchNames.empty();
}

bool ProgramList::getPitchName(int32_t index, int16_t pitch, std::u16string& pitchName) const
{
  const Program* program = find(index);
  if (!program)
    return false;
  const auto found = program->pitchNames.find(pitch);
  if (found == program->pitchNames.end())
    return false;
  pitchName = found->second;
  return true;
}

bool ProgramList::setPitchName(int32_t index, int16_t pitch, std::u16string_view pitchName)
{
  Program* program = find(index);
  if (!program)
    return false;
  program->pitchNames[pitch] = pitchName;
  return true;
}

bool ProgramList::removePitchName(int32_t index, int16_t pitch)
{
  Program* program = find(index);
  return program && program->pitchNames.erase(pitch) > 0;
}
} // namespace VST3
