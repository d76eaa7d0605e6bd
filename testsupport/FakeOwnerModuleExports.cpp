// The test program's own answer to which owner-module functions the system exports (the
// product's OwnerModuleExports.o is then not linked): as fake::OwnerModuleExported says.
#include "snapshot/OwnerModuleExports.h"
#include "testsupport/FakePlatform.h"

bool OwnerModuleQueryExported(EndpointProtocol protocol)
{
    return fake::OwnerModuleExported[protocol];
}
