// tavrel built without its windows: the command line alone.
#include "Verbs.h"

int main(int argc, char** argv) { return cli::Main(argc, argv); }
