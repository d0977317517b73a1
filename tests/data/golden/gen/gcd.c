#include <stdio.h>

int main(){
    double a,b,x,y,r;
    printf("二つの整数を入力してください\n");
    scanf("%lf%lf",&a,&b);
    x = a; y = b;
    while(y != 0){
        r = x % y;
        x = y; y = r;
    }
    printf("%lf と%lf の最大公約数は %lf \n",a,b,x);
    return 0;
}
