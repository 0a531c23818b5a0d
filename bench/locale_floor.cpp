// The floor for what a run must do: one request of the locale "Portuguese".
#include <clocale>

int main()
{
    std::setlocale(LC_ALL, "Portuguese");
}
