#pragma once
// The assembler name of a platform function's import pointer, through which the product's
// dllimport calls go: a test that defines the pointer under this name (`__asm__(IMPORT_SLOT(
// HeapAlloc, 12))`) makes those calls reach its fake.
// Only the x86 program is built, whose stdcall names carry an underscore and the argument bytes.
#define IMPORT_SLOT(name, argumentBytes) "__imp__" #name "@" #argumentBytes
