-- wrk script: the client's poll cycle against the gateway page, in rotation:
--   select count(*) from latest1
--   select count(*) from config2
--   select 句柄 from account where 账号='demo'
-- each as operation 2 with a request stamp of the current local time, encoded as the client
-- encodes it. The encoded requests are built once per second, when the stamp changes.
--
-- With POLL_CHECK=1 in the environment every answer is also decoded, and done() prints how many
-- were accepted (a payload after the answer marker) and how many refused (an empty one), and
-- the answers' mean size. That
-- costs time per answer: use it for a short check run, not for the measured one.
-- Always prints a line "result: requests=N seconds=S rps=R p99_ms=P errors=E" at the end.

local bit = require("bit")

local key = "58304172"
local stamp_marker = "{[good-lark]}"
local answer_marker = "{[good-wren]}"

-- GBK bytes: 句柄 is BE E4 B1 FA, 账号 is D5 CB BA C5.
local statements = {
  "select count(*) from latest1",
  "select count(*) from config2",
  "select \190\228\177\250 from account where \213\203\186\197='demo'",
}

-- Each character (one byte below 0x80, or a lead byte and the next) XORed with the key digit
-- plus one, the key position advancing per character; four upper-case hex digits each.
local function encode_wire(text)
  local out = {}
  local i, k, n = 1, 1, #text
  while i <= n do
    local x = key:byte(k) - 47
    local b = text:byte(i)
    local v
    if b >= 128 and i < n then
      v = bit.bxor(b * 256 + text:byte(i + 1), x)
      i = i + 2
    else
      v = bit.bxor(b, x)
      i = i + 1
    end
    out[#out + 1] = string.format("%04X", v)
    k = k % #key + 1
  end
  return table.concat(out)
end

local function decode_wire(wire)
  local out = {}
  local k = 1
  for i = 1, #wire, 4 do
    local v = tonumber(wire:sub(i, i + 3), 16)
    if v == nil then return nil end
    v = bit.bxor(v, key:byte(k) - 47)
    if v > 255 then
      out[#out + 1] = string.char(bit.rshift(v, 8), bit.band(v, 255))
    else
      out[#out + 1] = string.char(v)
    end
    k = k % #key + 1
  end
  return table.concat(out)
end

local current_stamp = nil
local requests = {}
local next_statement = 0

local function build(stamp)
  local headers = { ["Content-Type"] = "application/x-www-form-urlencoded" }
  for i, sql in ipairs(statements) do
    local body = "p=" .. encode_wire("2") .. "&post=" .. encode_wire(stamp .. stamp_marker .. sql)
    requests[i] = wrk.format("POST", nil, headers, body)
  end
end

request = function()
  local stamp = os.date("%H:%M:%S")
  if stamp ~= current_stamp then
    current_stamp = stamp
    build(stamp)
  end
  next_statement = next_statement % #statements + 1
  return requests[next_statement]
end

accepted = 0
refused = 0
answer_bytes = 0

if os.getenv("POLL_CHECK") == "1" then
  response = function(status, headers, body)
    answer_bytes = answer_bytes + #body
    local decoded = status == 200 and decode_wire(body) or nil
    local marker = decoded and decoded:find(answer_marker, 1, true)
    if marker and marker + #answer_marker <= #decoded then
      accepted = accepted + 1
    else
      refused = refused + 1
    end
  end
end

local threads = {}

function setup(thread)
  threads[#threads + 1] = thread
end

function done(summary, latency, requests_done)
  local seconds = summary.duration / 1e6
  local e = summary.errors
  local errors = e.connect + e.read + e.write + e.status + e.timeout
  io.write(string.format("result: requests=%d seconds=%.1f rps=%.0f p99_ms=%.2f errors=%d\n",
    summary.requests, seconds, summary.requests / seconds, latency:percentile(99) / 1000, errors))
  if os.getenv("POLL_CHECK") == "1" then
    local a, r, b = 0, 0, 0
    for _, t in ipairs(threads) do
      a = a + t:get("accepted")
      r = r + t:get("refused")
      b = b + t:get("answer_bytes")
    end
    io.write(string.format("check: accepted=%d refused=%d answer_bytes=%d\n", a, r,
      a + r > 0 and math.floor(b / (a + r)) or 0))
  end
end
