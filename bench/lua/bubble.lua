local n = 3000
local a = {}
for i = 0, n - 1 do
  a[i] = math.random(0, 32767)
end
for pass = 1, n - 1 do
  for j = 0, n - 1 - pass do
    if a[j] > a[j + 1] then
      a[j], a[j + 1] = a[j + 1], a[j]
    end
  end
end
local sorted = 1
for i = 0, n - 2 do
  if a[i] > a[i + 1] then sorted = 0 end
end
print("sorted: " .. sorted .. " first: " .. a[0] .. " last: " .. a[n - 1])
