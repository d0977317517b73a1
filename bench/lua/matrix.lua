local n = 200
local a, b, c = {}, {}, {}
for i = 0, n - 1 do
  local ai, bi = {}, {}
  for j = 0, n - 1 do
    ai[j] = (i + j) % 7
    bi[j] = (i + 2 * j) % 5
  end
  a[i], b[i], c[i] = ai, bi, {}
end
for i = 0, n - 1 do
  local ai, ci = a[i], c[i]
  for j = 0, n - 1 do
    local s = 0
    for k = 0, n - 1 do
      s = s + ai[k] * b[k][j]
    end
    ci[j] = s
  end
end
local trace = 0
for i = 0, n - 1 do
  trace = trace + c[i][i]
end
print("trace: " .. trace .. " corner: " .. c[n - 1][n - 1])
