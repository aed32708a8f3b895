// Telvic200Cy: the programmer application, Chinese build.
#include "app/ProgEntry.h"

int main(int argc, char** argv)
{
    return RunTelvic200Cy(argc, argv, TBuildLang::Chinese);
}
