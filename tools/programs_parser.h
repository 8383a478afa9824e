#pragma once

// The factory programs' readable source and its way into a program store.
//
// The source is plain text, one block per program:
//
//   # a comment (whole lines only)
//   [00] Program Name
//   Str Vol = 0.8
//   Phaser = Type 1
//
// A block starts with the program number in brackets and the name (at most
// kMaxNameLength printable ASCII characters). Each following line sets one
// parameter by its displayed name: a plain value for a continuous parameter,
// one of its texts for an enumerated one. Parameters a block does not name
// keep the instrument's defaults, so a block lists only what makes the sound.
// Two names are shared by a switch and its depth ("Joy FM", "Joy fcM"): the
// bare name means the switch, the depth is written "Joy FM Depth" and
// "Joy fcM Depth".
//
// Reading is strict, because a typo in a factory program would otherwise
// ship silently: an unknown name, a value outside the parameter's range, an
// unknown text, a parameter set twice in one block, a program number outside
// the store or given twice are errors naming the line; a program missing
// from the file is an error naming its number.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "IKitParameter.h"

namespace factory
{

inline constexpr size_t kMaxNameLength = 24;
// Appended to a shared name to address the continuous member of the pair.
inline constexpr std::string_view kDepthSuffix = " Depth";

struct Setting
{
  int param = -1;
  double value = 0;
};

struct Program
{
  int number = -1;
  std::string name;
  std::vector<Setting> settings;
  // Line of the program's header in the source.
  int line = 0;
};

namespace detail
{

inline std::string_view trim(std::string_view s)
{
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!s.empty() && blank(s.front()))
    s.remove_prefix(1);
  while (!s.empty() && blank(s.back()))
    s.remove_suffix(1);
  return s;
}

inline bool isEnumerated(const IParam& param)
{
  return param.Type() == IParam::kTypeEnum || param.Type() == IParam::kTypeBool;
}

inline std::string enumTexts(const IParam& param)
{
  std::string texts;
  for (int i = 0; i < param.NDisplayTexts(); ++i)
  {
    if (i > 0)
      texts += ", ";
    texts += param.GetDisplayTextAtIdx(i);
  }
  return texts;
}

inline std::string formatValue(double v)
{
  char text[32];
  const auto res = std::to_chars(text, text + sizeof(text), v);
  return std::string(text, res.ptr);
}

} // namespace detail

// The name a programs file uses for parameter idx: its displayed name, with
// kDepthSuffix for the continuous member of a name shared with a switch.
template <class Plugin>
std::string sourceName(const Plugin& plugin, int idx)
{
  const IParam* param = plugin.GetParam(idx);
  std::string name = param->GetName();
  if (detail::isEnumerated(*param))
    return name;
  for (int j = 0; j < plugin.NParams(); ++j)
    if (j != idx && name == plugin.GetParam(j)->GetName())
      return name + std::string(kDepthSuffix);
  return name;
}

// The index of the parameter the file calls name, or -1.
template <class Plugin>
int findParam(const Plugin& plugin, std::string_view name)
{
  for (int i = 0; i < plugin.NParams(); ++i)
    if (sourceName(plugin, i) == name)
      return i;
  return -1;
}

// Reads a programs source. On failure returns false and sets error to
// "<sourceName>:<line>: <what>"; programs then holds what was read so far.
template <class Plugin>
bool parsePrograms(std::istream& in, const char* source, const Plugin& plugin,
                   std::vector<Program>& programs, std::string& error)
{
  programs.clear();
  const int count = plugin.NPresets();
  std::vector<int> headerLine(static_cast<size_t>(count), 0);
  int lineNo = 0;

  const auto fail = [&](int line, const std::string& what) {
    error = std::string(source) + ":" + std::to_string(line) + ": " + what;
    return false;
  };

  std::string raw;
  while (std::getline(in, raw))
  {
    ++lineNo;
    const std::string_view line = detail::trim(raw);
    if (line.empty() || line.front() == '#')
      continue;

    if (line.front() == '[')
    {
      const size_t close = line.find(']');
      if (close == std::string_view::npos)
        return fail(lineNo, "program header without ']'");
      const std::string_view digits = detail::trim(line.substr(1, close - 1));
      int number = -1;
      const auto res = std::from_chars(digits.data(), digits.data() + digits.size(), number);
      if (digits.empty() || res.ec != std::errc() || res.ptr != digits.data() + digits.size())
        return fail(lineNo, "program number '" + std::string(digits) + "' is not a number");
      if (number < 0 || number >= count)
        return fail(lineNo, "program number " + std::to_string(number) + " outside 0.." +
                              std::to_string(count - 1));
      if (headerLine[static_cast<size_t>(number)] != 0)
        return fail(lineNo, "program " + std::to_string(number) + " already defined on line " +
                              std::to_string(headerLine[static_cast<size_t>(number)]));
      const std::string_view name = detail::trim(line.substr(close + 1));
      if (name.empty())
        return fail(lineNo, "program " + std::to_string(number) + " has no name");
      if (name.size() > kMaxNameLength)
        return fail(lineNo, "name '" + std::string(name) + "' longer than " +
                              std::to_string(kMaxNameLength) + " characters");
      if (!std::all_of(name.begin(), name.end(), [](char c) { return c >= 0x20 && c < 0x7f; }))
        return fail(lineNo, "name '" + std::string(name) + "' holds a character outside printable ASCII");
      headerLine[static_cast<size_t>(number)] = lineNo;
      programs.push_back(Program{number, std::string(name), {}, lineNo});
      continue;
    }

    const size_t equals = line.find('=');
    if (equals == std::string_view::npos)
      return fail(lineNo, "expected 'Parameter = value' or '[NN] Name'");
    if (programs.empty())
      return fail(lineNo, "parameter line before the first program header");
    const std::string_view name = detail::trim(line.substr(0, equals));
    const std::string_view text = detail::trim(line.substr(equals + 1));

    const int idx = findParam(plugin, name);
    if (idx < 0)
      return fail(lineNo, "unknown parameter '" + std::string(name) + "'");
    const IParam& param = *plugin.GetParam(idx);
    Program& program = programs.back();
    for (const Setting& s : program.settings)
      if (s.param == idx)
      {
        // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict)
        // on a chain of temporaries here.
        std::string message = "'";
        message.append(name).append("' set twice in program ").append(std::to_string(program.number));
        return fail(lineNo, message);
      }

    double value = 0;
    if (detail::isEnumerated(param))
    {
      if (!param.MapDisplayText(std::string(text).c_str(), &value))
      {
        std::string what = "'" + std::string(text) + "' is not a setting of '" + std::string(name) +
                           "' (" + detail::enumTexts(param) + ")";
        if (findParam(plugin, std::string(name) + std::string(kDepthSuffix)) >= 0)
          what += "; its depth is '" + std::string(name) + std::string(kDepthSuffix) + "'";
        return fail(lineNo, what);
      }
    }
    else
    {
      const char* first = text.data();
      const char* last = text.data() + text.size();
      if (first != last && *first == '+')
        ++first;
      const auto res = std::from_chars(first, last, value);
      if (text.empty() || res.ec != std::errc() || res.ptr != last || !std::isfinite(value))
        return fail(lineNo, "'" + std::string(text) + "' is not a number for '" + std::string(name) + "'");
      if (value < param.GetMin() || value > param.GetMax())
        return fail(lineNo, "'" + std::string(name) + "' = " + std::string(text) + " outside " +
                              detail::formatValue(param.GetMin()) + ".." +
                              detail::formatValue(param.GetMax()));
    }
    program.settings.push_back(Setting{idx, value});
  }

  for (int k = 0; k < count; ++k)
    if (headerLine[static_cast<size_t>(k)] == 0)
    {
      error = std::string(source) + ": program " + std::to_string(k) + " missing (every program 0.." +
              std::to_string(count - 1) + " needs a block)";
      return false;
    }

  std::sort(programs.begin(), programs.end(),
            [](const Program& a, const Program& b) { return a.number < b.number; });
  return true;
}

// Sets every parameter to its default, then the program's values. The engine
// follows when the caller applies the parameters (RestorePreset does).
template <class Plugin>
void setProgramValues(Plugin& plugin, const Program& program)
{
  for (int i = 0; i < plugin.NParams(); ++i)
    plugin.GetParam(i)->SetToDefault();
  for (const Setting& s : program.settings)
    plugin.GetParam(s.param)->Set(s.value);
}

// The value parameter idx holds in the program: its own or the default.
template <class Plugin>
double programValue(const Plugin& plugin, const Program& program, int idx)
{
  for (const Setting& s : program.settings)
    if (s.param == idx)
      return s.value;
  return plugin.GetParam(idx)->GetDefault();
}

// Writes every program into its slot of the store and leaves program 0
// current. Each slot is stored twice: the saved state carries the current
// slot's name, so the second store records the state under the new name.
template <class Plugin>
void storePrograms(Plugin& plugin, const std::vector<Program>& programs)
{
  for (const Program& program : programs)
  {
    plugin.RestorePreset(program.number);
    setProgramValues(plugin, program);
    plugin.ModifyCurrentPreset(program.name.c_str());
    plugin.ModifyCurrentPreset(program.name.c_str());
  }
  plugin.RestorePreset(0);
}

} // namespace factory
