#include <stdio.h>

int main(){
    double c;
    printf("摂氏      華氏\n");
    for(c=100;c>=-40;c+=-20){
        printf("%6.2f  %6.2f\n",c,c*9/5+32);
    }
    return 0;
}
