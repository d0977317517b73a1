n = 2000000
composite = [False] * (n + 1)
i = 2
while i * i <= n:
    if not composite[i]:
        for j in range(i * i, n + 1, i):
            composite[j] = True
    i += 1
count = sum(1 for k in range(2, n + 1) if not composite[k])
print("primes up to", n, ":", count)
