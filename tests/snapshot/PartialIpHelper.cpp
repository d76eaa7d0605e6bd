// An IP Helper that exports only two of the four owner-module functions, for the check of the
// system's exports (PartialExportsTest.cpp). The test only looks the names up; the calls
// themselves go to the test program's fakes.
extern "C" __declspec(dllexport) unsigned long NotCalledByTheTest()
{
    return 50; // ERROR_NOT_SUPPORTED
}
