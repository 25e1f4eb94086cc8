// The program itself, ending as soon as its start-up window is shown.
#include "app/shell.h"

int main(int argc, char *argv[])
{
    return tavro::runProgram(argc, argv, tavro::StartMode::QuitWhenShown);
}
