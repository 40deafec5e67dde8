// The vorlane executable: parses its own options and hands over to a front
// end. Kept short; the work lives in the modules. Without an option the
// windowed front end starts when there is a display to show it on, else
// the console.
#include "console/ConsoleMain.h"

#ifdef VORLANE_WITH_GUI
#include "gui/GuiMain.h"

#include <cstring>
#endif

#include <cstdlib>

int main(int argc, char** argv) {
    // Without TZ the C library reads the zone file again on every local-time
    // conversion; archives convert one time per member, so name the system
    // zone once (a TZ the user set is kept).
    setenv("TZ", ":/etc/localtime", 0);
#ifdef VORLANE_WITH_GUI
    if (argc >= 2 && std::strcmp(argv[1], "--gui") == 0)
        return vorlane::gui::Main(argc - 1, argv + 1);
    if (argc < 2 && vorlane::gui::DisplayAvailable())
        return vorlane::gui::Main(argc, argv);
#endif
    return vorlane::console::Main(argc, argv);
}
