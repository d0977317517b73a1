#include <stdio.h>
#include <math.h>
#include <stdlib.h>

int main(){
    double pi,d,r;
    pi = 4 * atan(1);
    printf("角度      sin      cos      tan\n");
    for(d=0;d<=75;d+=15){
        r = d * pi / 180;
        printf("%4.0f %8.4f %8.4f %8.4f\n",d,sin(r),cos(r),tan(r));
    }
    printf("sqrt(2) = %.6f   pow(2, 10) = %lf \n",sqrt(2),pow(2,10));
    printf("exp(1) = %.6f   log(10) = %.6f   log10(1000) = %lf \n",exp(1),log(10),log10(1000));
    printf("asin(1) = %.6f   acos(0) = %.6f   atan2(1, -1) = %.6f\n",asin(1),acos(0),atan2(1,-1));
    printf("sinh(1) = %.6f   cosh(1) = %.6f\n",sinh(1),cosh(1));
    printf("abs(-2.7) = %lf    fabs(-2.7) = %lf \n",(double)(abs(-2.7)),fabs(-2.7));
    printf("floor(-2.5) = %lf    ceil(-2.5) = %lf \n",floor(-2.5),ceil(-2.5));
    return 0;
}
