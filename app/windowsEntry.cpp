// The GUI entry of the Windows build (the `ostrel` target is a WIN32 executable, so no console
// opens): splits the wide command line into arguments in the ANSI code page and hands them to
// main.
#include <windows.h>

#include <shellapi.h>

int main(int argc, char* argv[]);

namespace {

// A newly allocated copy in the ANSI code page; empty when the argument cannot be converted.
char* ansiCopy(LPCWSTR wide) {
    const int size = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    char* text = new char[size > 0 ? size : 1]();
    if (size > 0 &&
        WideCharToMultiByte(CP_ACP, 0, wide, -1, text, size, nullptr, nullptr) != size) {
        text[0] = '\0';
    }
    return text;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    int argc = 0;
    LPWSTR* wideArgv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!wideArgv || argc < 0) {
        return -1;
    }
    char** argv = new char*[argc + 1];
    for (int i = 0; i < argc; ++i) {
        argv[i] = ansiCopy(wideArgv[i]);
    }
    argv[argc] = nullptr;
    LocalFree(wideArgv);
    const int result = main(argc, argv);
    for (int i = 0; i < argc; ++i) {
        delete[] argv[i];
    }
    delete[] argv;
    return result;
}
