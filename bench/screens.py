"""The program's screens as a Python script would write them."""
import sys
import time

barra = "=" * 33
out = sys.stdout.buffer
out.write(b"H L O 9 4 O T A E\n A V 2 1 S F W R S\n\n")
out.flush()
time.sleep(1)
out.write(b"\x1b[1;1H\x1b[2J")
out.write(f"{barra}\n Olá, seja bem vindo(a) a:\nCalculadora de notas de Vendrali.\n".encode())
out.write(f"{barra}\n Obrigado por usar meu programa\n Halvo2914, 2023.\n{barra}\n".encode())
