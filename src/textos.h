#pragma once

// The separator line that frames the welcome and the farewell.
extern const char barra[];

// Shows the signature banner for one second, then clears the screen.
void Splash();

// Greets the user under the calculator's title.
void IncioCalc();

// Thanks the user and signs off.
void TextoProgramaFinalizado();
