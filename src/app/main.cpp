// lorevane: the window program.
#include "app/shell/start_up.h"

int main(int argc, char** argv) { return lv::app::run_program(argc, argv); }
