/* A library that needs another one from its own folder. */
#ifdef _WIN32
#define TESTLIB_EXPORT __declspec(dllexport)
#define TESTLIB_IMPORT __declspec(dllimport)
#else
#define TESTLIB_EXPORT __attribute__((visibility("default")))
#define TESTLIB_IMPORT
#endif

TESTLIB_IMPORT int talun_testlib_inner(void);

TESTLIB_EXPORT int talun_testlib_outer(void) {
    return 10 * talun_testlib_inner();
}
