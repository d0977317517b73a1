local best, bestSteps = 1, 0
for start = 1, 100000 do
  local x, steps = start, 0
  while x ~= 1 do
    if x % 2 == 0 then
      x = x // 2
    else
      x = 3 * x + 1
    end
    steps = steps + 1
  end
  if steps > bestSteps then
    best, bestSteps = start, steps
  end
end
print("longest: " .. best .. " (" .. bestSteps .. " steps)")
