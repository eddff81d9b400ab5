// Start-up: the title from the executable's name, the flat controls'
// defaults, the main window with its cipher, the hidden about window, the
// files handed over on the command line, then the message loop until the
// main window closes.
#include <string>
#include <vector>

#include <windows.h>
#include <shellapi.h>

#include "app/about_form.h"
#include "app/main_form.h"
#include "controls/flat_style.h"
#include "toolkit/application.h"

namespace {

// The arguments after the program's own name, as the system splits them
// (Explorer quotes the names it hands over: dropped files, "Open with",
// "Send to").
std::vector<std::wstring> Arguments() {
    int count = 0;
    LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> arguments;
    if (!list) return arguments;
    for (int i = 1; i < count; ++i) arguments.emplace_back(list[i]);
    LocalFree(list);
    return arguments;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    tk::Application& app = tk::Application::Instance();
    InitFlatControls();
    MainFrm = &app.CreateForm<TMainFrm>();
    AboutFrm = &app.CreateForm<TAboutFrm>();
    MainFrm->TakeFiles(Arguments());
    app.Run();
    app.DestroyForms();
    MainFrm = nullptr;
    AboutFrm = nullptr;
    return 0;
}
