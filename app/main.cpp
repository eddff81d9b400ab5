// Start-up: the title from the executable's name, the flat controls'
// defaults, the main window with its cipher, the hidden about window, then
// the message loop until the main window closes.
#include "about_form.h"
#include "controls/flat_style.h"
#include "main_form.h"
#include "toolkit/application.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    tk::Application& app = tk::Application::Instance();
    InitFlatControls();
    MainFrm = &app.CreateForm<TMainFrm>();
    AboutFrm = &app.CreateForm<TAboutFrm>();
    app.Run();
    app.DestroyForms();
    MainFrm = nullptr;
    AboutFrm = nullptr;
    return 0;
}
