#include "cli/Cli.hpp"

int main(int argc, char** argv)
{
    return sim::RunCli(argc, argv);
}
