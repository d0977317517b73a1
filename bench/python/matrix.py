n = 200
a = [[(i + j) % 7 for j in range(n)] for i in range(n)]
b = [[(i + 2 * j) % 5 for j in range(n)] for i in range(n)]
c = [[0] * n for _ in range(n)]
for i in range(n):
    for j in range(n):
        s = 0
        for k in range(n):
            s += a[i][k] * b[k][j]
        c[i][j] = s
trace = 0
for i in range(n):
    trace += c[i][i]
print("trace:", trace, "corner:", c[n - 1][n - 1])
