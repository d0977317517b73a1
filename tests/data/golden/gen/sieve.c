#include <stdio.h>

int main(){
    double n,i,p[256],j,count;
    n = 60;
    for(i=2;i<=n;i++){
        p[i] = 1;
    }
    for(i=2;i<=n;i++){
        if(i * i > n){
            break;
        }
        else{
        }
        if(p[i] == 0){
            continue;
        }
        else{
        }
        for(j=i*i;j<=n;j+=i){
            p[j] = 0;
        }
    }
    count = 0;
    printf("%lf 以下の素数:\n",n);
    for(i=2;i<=n;i++){
        if(p[i]){
            printf("%4.0f\n",i);
            count++;
        }
        else{
        }
    }
    printf("全部で %lf  個\n",count);
    return 0;
}
