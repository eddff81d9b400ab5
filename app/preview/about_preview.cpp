// Not shipped: the about window on its own, for screenshots.  With the
// argument "hover" the site link shows itself as under the pointer.
#include <string_view>

#include <windows.h>

#include "app/about_form.h"
#include "controls/flat_style.h"
#include "toolkit/application.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    InitFlatControls();
    tk::Application& app = tk::Application::Instance();
    TAboutFrm& about = app.CreateForm<TAboutFrm>();
    AboutFrm = &about;
    if (std::wstring_view(commandLine) == L"hover")
        about.OnShow = [&about](tk::Component&) { about.SiteLbl->MouseEnter(*about.SiteLbl); };
    app.Run();
    app.DestroyForms();
    return 0;
}
