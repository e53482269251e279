#include <windows.h>

#include <string_view>

#include "app/startup.h"
#include "app/clip_reader_main.h"
#include "history/clip_reader.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR arguments, int) {
    // Started again by itself as its clipboard reader: nothing of the program runs then.
    if (arguments && std::wstring_view(arguments) == nimbara::kClipReaderArgument)
        return nimbara::RunClipReader();
    return nimbara::RunNimbara(instance);
}
