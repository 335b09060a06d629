#include "velmmain.h"

int main(int argc, char **argv)
{
    return VelmorMain(argc, argv);
}
