#include "app/StartUp.h"

int main(int argc, char** argv)
{
    return dabrix::app::RunDabrix(argc, argv);
}
