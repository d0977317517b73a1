#include <stdio.h>

int main(){
    double n,f,k;
    printf("整数を入力してください\n");
    scanf("%lf",&n);
    f = 1; k = 1;
    while(k <= n){
        f *= k;
        k++;
    }
    printf("%lf の階乗は %lf \n",n,f);
    return 0;
}
