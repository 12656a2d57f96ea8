// KORVELINE: the program starts with its main window, whose Form_Load reads
// the settings and shows the main window or the setup window.
#include "app/main1.h"
#include "platform/application.h"
#include "root/compose.h"

int main(int argc, char** argv)
{
    kv::Application app(argc, argv);
    ComposeProgram();
    Main1.Load();
    return app.Run();
}
