/* A library for the loader tests: one exported function, nothing else. */
#ifdef _WIN32
#define TESTLIB_EXPORT __declspec(dllexport)
#else
#define TESTLIB_EXPORT __attribute__((visibility("default")))
#endif

TESTLIB_EXPORT int talun_testlib_answer(void) {
    return 42;
}
