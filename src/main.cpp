// The vorlane executable: parses its own options and hands over to a front
// end. Kept short; the work lives in the modules.
#include "console/ConsoleMain.h"

int main(int argc, char** argv) { return vorlane::console::Main(argc, argv); }
