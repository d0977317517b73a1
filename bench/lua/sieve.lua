local n = 2000000
local p = {}
for i = 2, n do
  if i * i > n then break end
  if not p[i] then
    for j = i * i, n, i do
      p[j] = true
    end
  end
end
local count = 0
for i = 2, n do
  if not p[i] then count = count + 1 end
end
print("primes up to " .. n .. ": " .. count)
