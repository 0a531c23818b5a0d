#include "textos.h"

#include "clear.h"

#include <chrono>
#include <clocale>
#include <cstdio>
#include <thread>

const char barra[] = "=================================";

void Splash()
{
    // HALVO2914SOFTWARES read column by column: even letters on the first
    // line, odd ones on the second. puts adds the empty line below it.
    std::puts("H L O 9 4 O T A E\n"
              " A V 2 1 S F W R S\n");
    std::this_thread::sleep_for(std::chrono::seconds(1));
    Clear();
}

void IncioCalc()
{
    std::setlocale(LC_ALL, "Portuguese");
    std::printf("%s\n"
                " Olá, seja bem vindo(a) a:\n"
                "Calculadora de notas de Vendrali.\n",
                barra);
}

void TextoProgramaFinalizado()
{
    std::printf("%s\n"
                " Obrigado por usar meu programa\n"
                " Halvo2914, 2023.\n"
                "%s\n",
                barra, barra);
}
