#include <stdio.h>
#include <math.h>
#include <stdlib.h>

int main(){
    double inside,k,x,y;
    srand(2024);
    inside = 0;
    for(k=1;k<=20000;k++){
        x = rand() / 32768; y = rand() / 32768;
        if(x * x + y * y < 1){
            inside++;
        }
        else{
        }
        if(k % 4000 == 0){
            printf("%lf 点: 円周率の推定値 = %8.5f\n",k,4*inside/k);
        }
        else{
        }
    }
    return 0;
}
