#include <stdio.h>

int main(){
    double principal,rate,years,balance,year;
    printf("元金, 年利率 (パーセント), 年数を入力してください\n");
    scanf("%lf%lf%lf",&principal,&rate,&years);
    balance = principal;
    do{
        balance = balance * (1 + rate / 100);
        printf("%2.0f 年目: %10.2f 円\n",year,balance);
    }while(year = 1, years);
    printf("利息の合計: %10.2f 円\n",balance-principal);
    return 0;
}
