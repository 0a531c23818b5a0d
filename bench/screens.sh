#!/bin/sh
# The program's screens as a shell script would write them.
barra='================================='
printf 'H L O 9 4 O T A E\n A V 2 1 S F W R S\n\n'
sleep 1
printf '\033[1;1H\033[2J'
printf '%s\n Ol\303\241, seja bem vindo(a) a:\nCalculadora de notas de Vendrali.\n' "$barra"
printf '%s\n Obrigado por usar meu programa\n Halvo2914, 2023.\n%s\n' "$barra" "$barra"
