n = 2000
s = 1
x = [0] * (n + 1)
y = [0] * (n + 1)
for i in range(1, n + 1):
    s = (s * 75 + 74) % 65537
    x[i] = s % 10
for i in range(1, n + 1):
    s = (s * 75 + 74) % 65537
    y[i] = s % 10
L = [[0] * (n + 1) for _ in range(n + 1)]
for i in range(1, n + 1):
    for j in range(1, n + 1):
        if x[i] == y[j]:
            L[i][j] = L[i - 1][j - 1] + 1
        elif L[i - 1][j] >= L[i][j - 1]:
            L[i][j] = L[i - 1][j]
        else:
            L[i][j] = L[i][j - 1]
print("lcs:", L[n][n])
