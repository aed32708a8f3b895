// Telvic200CyEn: the programmer application, English build.
#include "app/ProgEntry.h"

int main(int argc, char** argv)
{
    return RunTelvic200Cy(argc, argv, TBuildLang::English);
}
