#include <stdio.h>

int main(){
    double i,j,t[256],r;
    for(i=1;i<=9;i++){
        for(j=1;j<=9;j++){
            t[i][j] = i * j;
        }
    }
    printf("九九の一覧\n");
    printf("    |  1  2  3  4  5  6  7  8  9\n");
    printf("----+---------------------------\n");
    for(r=1;r<=9;r++){
        printf("%3.0f |%3.0f%3.0f%3.0f%3.0f%3.0f%3.0f%3.0f%3.0f%3.0f\n",r,t[r][1],t[r][2],t[r][3],t[r][4],t[r][5],t[r][6],t[r][7],t[r][8],t[r][9]);
    }
    return 0;
}
