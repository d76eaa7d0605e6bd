#include "snapshot/OwnerModuleExports.h"

#include "common/Countof.h"

namespace {

enum ExportState { EXPORT_UNKNOWN, EXPORT_PRESENT, EXPORT_MISSING };

// By EndpointProtocol.
const char *const OwnerModuleFunctions[] = {"GetOwnerModuleFromTcpEntry", "GetOwnerModuleFromTcp6Entry",
                                            "GetOwnerModuleFromUdpEntry", "GetOwnerModuleFromUdp6Entry"};

// Workers that race on the first lookup store the same answer.
volatile LONG OwnerModuleExportStates[COUNTOF(OwnerModuleFunctions)];

} // namespace

bool OwnerModuleQueryExported(EndpointProtocol protocol)
{
    size_t index = (size_t)protocol;
    if (index >= COUNTOF(OwnerModuleFunctions))
        return false;
    if (OwnerModuleExportStates[index] == EXPORT_UNKNOWN) {
        HMODULE module = IpHelperModule();
        bool present = module != NULL && GetProcAddress(module, OwnerModuleFunctions[index]) != NULL;
        InterlockedExchange(&OwnerModuleExportStates[index], present ? EXPORT_PRESENT : EXPORT_MISSING);
    }
    return OwnerModuleExportStates[index] == EXPORT_PRESENT;
}
