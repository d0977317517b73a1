local n = 2000
local s = 1
local x, y = {}, {}
for i = 1, n do
  s = (s * 75 + 74) % 65537
  x[i] = s % 10
end
for i = 1, n do
  s = (s * 75 + 74) % 65537
  y[i] = s % 10
end
local L = {}
for i = 0, n do
  local row = {}
  for j = 0, n do row[j] = 0 end
  L[i] = row
end
for i = 1, n do
  local row, prev, xi = L[i], L[i - 1], x[i]
  for j = 1, n do
    if xi == y[j] then
      row[j] = prev[j - 1] + 1
    elseif prev[j] >= row[j - 1] then
      row[j] = prev[j]
    else
      row[j] = row[j - 1]
    end
  end
end
print("lcs: " .. L[n][n])
