// moxlan-cfg: edits Moxlan configuration files from the command line.
#include "tools/moxlan-cfg/cli.h"

#include <iostream>

int main(int argc, char** argv)
{
    return moxlan::cfg::runMoxlanCfg(argc, argv, std::cout, std::cerr);
}
