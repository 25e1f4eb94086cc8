#include "app/shell.h"

int main(int argc, char *argv[])
{
    return tavro::runProgram(argc, argv);
}
