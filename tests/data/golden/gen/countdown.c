#include <stdio.h>

int main(){
    double i,n;
    printf("上へ:\n");
    for(i=1;i<=5;i++){
        printf("  %lf \n",i);
    }
    printf("下へ:\n");
    for(i=10;i>=0;i+=-2){
        printf("  %lf \n",i);
    }
    n = 3;
    for(i=1;i<=n;i++){
        n = n + 10;
    }
    printf("n = %lf , i = %lf \n",n,i);
    printf("発射!\n");
    return 0;
}
