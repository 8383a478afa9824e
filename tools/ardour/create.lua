-- Step 2 of tools/ardour-check.sh: a new session with Kelva on a MIDI track.
-- usage: ardour7-lua create.lua COMMON_LUA SESSION_DIR NAME PROGRAM VALUES
--   PROGRAM  factory program to select, e.g. 1
--   VALUES   parameters to set afterwards as plain values, "6=-20,37=2"
-- Saves three snapshots: "fresh" (just instantiated), "program" (after the
-- program change) and NAME (after the parameter changes).
dofile(arg[1])
local dir, name, program, values = arg[2], arg[3], tonumber(arg[4]), check.parse_values(arg[5])

check.backend()
local session = create_session(dir, name, 48000)
check.need(session ~= nil, "a new session is created in " .. dir)

local info = ARDOUR.LuaAPI.new_plugin_info("Kelva", ARDOUR.PluginType.VST3)
check.need(info and not info:isnil(), "Ardour lists Kelva as a VST 3 plug-in")
check.that(info:is_instrument(), "Ardour counts Kelva as an instrument")

-- As the "Add Track" dialog does: a MIDI track with the instrument on it.
local tracks = session:new_midi_track(ARDOUR.ChanCount(ARDOUR.DataType("midi"), 1),
  ARDOUR.ChanCount(ARDOUR.DataType("audio"), 2), true, info, nil, nil, 1, "Kelva",
  ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true)
check.need(tracks:size() == 1, "a MIDI track with Kelva is added")
local _, proc, plugin = check.instrument(session)
local insert = proc:to_insert()
check.info(string.format("plug-in %q by %q, id %s", plugin:name(), plugin:maker(), plugin:unique_id()))

local inputs, outputs = insert:natural_input_streams(), insert:natural_output_streams()
check.info(string.format("plug-in I/O: in %d MIDI %d audio, out %d audio %d MIDI",
  inputs:n_midi(), inputs:n_audio(), outputs:n_audio(), outputs:n_midi()))
check.that(inputs:n_midi() == 1 and inputs:n_audio() == 0 and outputs:n_audio() == 2 and outputs:n_midi() == 1,
  "plug-in I/O is one MIDI input, two audio outputs and one MIDI output")

-- Parameters as the host lists them.
local controls, names, shown = 0, {}, {}
for port = 0, plugin:parameter_count() - 1 do
  if plugin:parameter_is_control(port) and plugin:parameter_is_input(port) then
    names[controls] = plugin:parameter_label(port)
    local _, pd = plugin:get_parameter_descriptor(port, ARDOUR.ParameterDescriptor())
    local value = ARDOUR.LuaAPI.get_processor_param(proc, controls)
    if controls < 3 or controls == 6 or controls == 37 or controls >= 53 then
      shown[#shown + 1] = string.format("%d %q=%.4g [%.4g..%.4g]", controls, names[controls], value, pd[2].lower, pd[2].upper)
    end
    controls = controls + 1
  end
end
check.info("parameters: " .. table.concat(shown, ", "))
check.that(controls == 55, "Ardour shows 55 parameters (the program selector and MIDI controller parameters hidden)",
  controls .. " shown")
check.that(names[0] == "GOD Mode" and names[1] == "Volume" and names[54] == "Ens 2to2",
  "parameter names are the instrument's (GOD Mode, Volume, ..., Ens 2to2)")

-- Factory programs.
local presets = check.presets(plugin)
local labels = {}
for i, record in ipairs(presets) do
  if i <= 3 or i == #presets then labels[#labels + 1] = string.format("%d %q", i - 1, record.label) end
end
check.info(string.format("factory programs: %d: %s", #presets, table.concat(labels, ", ")))
check.that(#presets == 64, "Ardour lists 64 factory programs", #presets .. " listed")
check.that(#presets > 0 and not string.match(presets[1].label, "^user preset"),
  "the factory programs carry the factory bank's names", presets[1] and presets[1].label)
check.need(session:save_state("fresh", false, false, false) == 0, "the session is saved as \"fresh\"")

-- Select a program, as the preset menu does.
check.need(presets[program + 1] ~= nil, "factory program " .. program .. " exists")
check.info(string.format("selecting factory program %d %q as the preset menu does", program, presets[program + 1].label))
check.that(plugin:load_preset(presets[program + 1]), "Ardour loads factory program " .. program)
ARDOUR.LuaAPI.usleep(200000)
local last = plugin:last_preset()
check.that(last.valid and last.label == presets[program + 1].label,
  string.format("Ardour reports program %q as current", presets[program + 1].label), last.label)
check.need(session:save_state("program", false, false, false) == 0, "the session is saved as \"program\"")

-- Set parameters as a user does in the generic editor.
for _, item in ipairs(values) do
  ARDOUR.LuaAPI.set_processor_param(proc, item[1], item[2])
end
ARDOUR.LuaAPI.usleep(200000)
for _, item in ipairs(values) do
  local now = ARDOUR.LuaAPI.get_processor_param(proc, item[1])
  check.that(check.close(now, item[2]), string.format("%q is set to %g", names[item[1]], item[2]), "reads " .. now)
end
check.need(session:save_state("", false, false, false) == 0, "the session is saved as \"" .. name .. "\"")
close_session()
print("DONE")
