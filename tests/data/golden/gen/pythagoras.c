#include <stdio.h>
#include <math.h>

int main(){
    double found,a,b,c;
    found = 0;
    for(a=1;a<=28;a++){
        for(b=a+1;b<=29;b++){
            c = sqrt(a * a + b * b);
            if(c > 30){
                break;
            }
            else{
            }
            if(c != floor(c)){
                continue;
            }
            else{
            }
            printf("%lf %lf %lf \n",a,b,c);
            found++;
        }
    }
    printf("ピタゴラス数は %lf  組\n",found);
    return 0;
}
