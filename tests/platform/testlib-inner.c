/* The dependency of testlib-outer: it sits only beside that library. */
#ifdef _WIN32
#define TESTLIB_EXPORT __declspec(dllexport)
#else
#define TESTLIB_EXPORT __attribute__((visibility("default")))
#endif

TESTLIB_EXPORT int talun_testlib_inner(void) {
    return 7;
}
