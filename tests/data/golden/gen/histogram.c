#include <stdio.h>
#include <math.h>
#include <stdlib.h>

int main(){
    double outside,total,sum,b,h[256],k,g;
    srand(7);
    outside = 0; total = 0; sum = 0;
    for(b=0;b<=9;b++){
        h[b] = 0;
    }
    for(k=1;k<=1000;k++){
        g = gaussianrand(0, 1);
        sum += g;
        b = floor((g + 2.5) / 0.5);
        if(b >= 0 && b <= 9){
            h[b]++;
        }
        else{
            outside++;
        }
    }
    printf("標準正規乱数のヒストグラム (1000 個)\n");
    for(b=0;b<=9;b++){
        printf("%5.2f から %5.2f: %4.0f\n",b*0.5-2.5,b*0.5-2,h[b]);
    }
    printf("範囲外: %lf \n",outside);
    printf("平均: %6.3f\n",sum/1000);
    return 0;
}
