#include <stdio.h>
#include <math.h>
#include <stdlib.h>

int main(){
    double secret,tries,guess;
    srand(5);
    secret = rand() % 100 + 1; tries = 0;
    printf("1 から 100 までの数を当ててください\n");
    do{
        scanf("%lf",&guess);
        tries++;
        if(guess < secret){
            printf("%lf  より大きいです\n",guess);
        }
        else{
            if(guess > secret){
                printf("%lf  より小さいです\n",guess);
            }
            else{
            }
        }
    }while(guess != secret);
    printf("正解です! %lf  回目で当たりました\n",tries);
    return 0;
}
