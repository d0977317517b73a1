#include <stdio.h>

int main(){
    double i;
    for(i=1;i<=30;i++){
        if(i % 15 == 0){
            printf("FizzBuzz\n");
        }
        else{
            if(i % 3 == 0){
                printf("Fizz\n");
            }
            else{
                if(i % 5 == 0){
                    printf("Buzz\n");
                }
                else{
                    printf("%lf \n",i);
                }
            }
        }
    }
    return 0;
}
