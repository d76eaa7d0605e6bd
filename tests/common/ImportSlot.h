#pragma once
// The assembler name of a platform function's import pointer, through which the product's
// dllimport calls go: a test that defines the pointer under this name (`__asm__(IMPORT_SLOT(
// HeapAlloc, 12))`) makes those calls reach its fake. x86 decorates the stdcall name with an
// underscore and the argument bytes; x64 has one calling convention and no decoration.
#if defined(_WIN64)
#define IMPORT_SLOT(name, argumentBytes) "__imp_" #name
#else
#define IMPORT_SLOT(name, argumentBytes) "__imp__" #name "@" #argumentBytes
#endif
