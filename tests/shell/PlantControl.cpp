// The control for the planting test: loads the two libraries by name, as the delay-load
// helper does, without first confining the search to the system folder. Beside a planted
// copy it must load the plant, or the planting test could not tell a defended program from
// an undefended one.
#include <windows.h>

int main()
{
    int loaded = LoadLibraryW(L"iphlpapi.dll") != NULL;
    loaded += LoadLibraryW(L"comctl32.dll") != NULL;
    return loaded;
}
