-- Shared by the Lua steps of tools/ardour-check.sh. Every check prints one
-- line starting with "PASS:", "FAIL:" or "INFO:"; the shell script counts them.
io.stdout:setvbuf("no")

check = {}

function check.pass(text) print("PASS: " .. text) end
function check.fail(text) print("FAIL: " .. text) end
function check.info(text) print("INFO: " .. text) end

function check.that(ok, text, why)
  if ok then check.pass(text) else check.fail(text .. (why and (" (" .. why .. ")") or "")) end
  return ok
end

-- Fatal: the remaining steps depend on this.
function check.need(ok, text)
  if not ok then
    check.fail(text)
    error("cannot go on: " .. text)
  end
end

function check.backend()
  check.need(AudioEngine:set_backend("None (Dummy)", "", "") ~= nil, "the dummy audio backend is available")
end

-- The instrument's insert on the "Kelva" track, and the plug-in inside it.
function check.instrument(session)
  local route = session:route_by_name("Kelva")
  check.need(route and not route:isnil(), "the session has the track \"Kelva\"")
  local proc = route:the_instrument()
  check.need(proc and not proc:isnil(), "the track \"Kelva\" has an instrument")
  local plugin = proc:to_insert():plugin(0)
  check.need(plugin and not plugin:isnil(), "the instrument insert holds a plug-in")
  return route, proc, plugin
end

-- Factory programs, which Ardour names by the plug-in's program list.
function check.presets(plugin)
  local list = {}
  for i = 0, 127 do
    local record = plugin:preset_by_uri(string.format("VST3-P:%s:%04d", plugin:unique_id(), i))
    if not (record and record.valid) then break end
    list[#list + 1] = record
  end
  return list
end

function check.close(a, b)
  return math.abs(a - b) <= 1e-5 * math.max(1, math.abs(b))
end

-- "6=-20,37=2" -> { {6, -20}, {37, 2} }
function check.parse_values(text)
  local out = {}
  for index, value in string.gmatch(text, "(%d+)=([-%d.eE+]+)") do
    out[#out + 1] = { tonumber(index), tonumber(value) }
  end
  return out
end
