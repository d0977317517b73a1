import math
import random

s = 0.0
r = 0
for i in range(1, 1000001):
    s += math.sqrt(i) * math.sin(i) + math.pow(1.000001, i % 1000)
    r += random.randrange(32768) % 2
print("sum:", s, "odd draws:", r)
