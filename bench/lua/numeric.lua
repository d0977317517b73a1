local sqrt, sin, random = math.sqrt, math.sin, math.random
local s, r = 0.0, 0
for i = 1, 1000000 do
  s = s + sqrt(i) * sin(i) + 1.000001 ^ (i % 1000)
  r = r + random(0, 32767) % 2
end
print("sum: " .. s .. " odd draws: " .. r)
