#pragma once

// Makes the slots that the delay-load helper writes writable; called first thing, before any
// delay-loaded call.
void MakeImportAddressTableWritable();
