#include "textos.h"

#include <clocale>
#include <csignal>
#include <cstdio>

int main()
{
#ifdef SIGPIPE
    // A reader that went away is a failed write like any other, not a death.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    std::setlocale(LC_ALL, "Portuguese");

    Splash();
    IncioCalc();
    TextoProgramaFinalizado();

    // Every screen is shown whatever happens to the output; only the status
    // tells whether all of it arrived.
    const bool delivered = std::fflush(stdout) == 0 && !std::ferror(stdout);
    return delivered ? 0 : 1;
}
