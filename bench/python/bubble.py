import random

n = 3000
a = [random.randrange(32768) for _ in range(n)]
for p in range(1, n):
    for j in range(0, n - p):
        if a[j] > a[j + 1]:
            t = a[j]
            a[j] = a[j + 1]
            a[j + 1] = t
is_sorted = all(a[i] <= a[i + 1] for i in range(n - 1))
print("sorted:", int(is_sorted), "first:", a[0], "last:", a[-1])
