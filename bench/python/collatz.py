best, best_steps = 1, 0
for start in range(1, 100001):
    x, steps = start, 0
    while x != 1:
        if x % 2 == 0:
            x = x // 2
        else:
            x = 3 * x + 1
        steps += 1
    if steps > best_steps:
        best, best_steps = start, steps
print("longest:", best, "(", best_steps, "steps)")
