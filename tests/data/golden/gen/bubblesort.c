#include <stdio.h>

int main(){
    double a[] = {29, 3, 15, 8, 42, 56, 60, 71, 65},n,pass,swapped,j,t;
    n = 9;
    printf("並べ替え前: %lf %lf %lf %lf %lf %lf %lf %lf %lf \n",a[0],a[1],a[2],a[3],a[4],a[5],a[6],a[7],a[8]);
    for(pass=1;pass<=n-1;pass++){
        swapped = 0;
        for(j=0;j<=n-1-pass;j++){
            if(a[j] > a[j + 1]){
                t = a[j];
                a[j] = a[j + 1];
                a[j + 1] = t;
                swapped = 1;
            }
            else{
            }
        }
        printf("パス%lf : %lf %lf %lf %lf %lf %lf %lf %lf %lf \n",pass,a[0],a[1],a[2],a[3],a[4],a[5],a[6],a[7],a[8]);
        if(swapped == 0){
            break;
        }
        else{
        }
    }
    printf("並べ替え後: %lf %lf %lf %lf %lf %lf %lf %lf %lf \n",a[0],a[1],a[2],a[3],a[4],a[5],a[6],a[7],a[8]);
    return 0;
}
