-- Step 3 of tools/ardour-check.sh: reopen a saved session and compare the
-- plug-in's parameters with the values that were set before saving.
-- usage: ardour7-lua reopen.lua COMMON_LUA SESSION_DIR SNAPSHOT VALUES PROGRAM_NAME LABEL
dofile(arg[1])
local dir, snapshot, values, program_name, label = arg[2], arg[3], check.parse_values(arg[4]), arg[5], arg[6]

check.backend()
local session = load_session(dir, snapshot)
check.need(session ~= nil, label .. ": the session reopens")
local _, proc, plugin = check.instrument(session)
local wrong = {}
for _, item in ipairs(values) do
  local now = ARDOUR.LuaAPI.get_processor_param(proc, item[1])
  if not check.close(now, item[2]) then
    wrong[#wrong + 1] = string.format("%d is %g, not %g", item[1], now, item[2])
  end
end
check.that(#wrong == 0, label .. ": every parameter set before saving came back", table.concat(wrong, "; "))
local last = plugin:last_preset()
check.that(last.valid and last.label == program_name, label .. ": the current program is still " ..
  string.format("%q", program_name), last.label)
close_session()
print("DONE")
