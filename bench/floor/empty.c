/* An empty library in place of one the program binds at load time: NAME
 * is its one function; with LOADS, it loads that library as it is loaded
 * itself (as Scorpa loads the ASPI layer). With EXPORTS, a file of
 * "void f(void){}" lines gives it another library's exports. */
#include <dlfcn.h>

#ifdef LOADS
__attribute__((constructor)) static void Load(void) { dlopen(LOADS, RTLD_NOW); }
#endif
#ifdef NAME
__attribute__((visibility("default"))) int NAME(void) { return 0; }
#endif
#ifdef EXPORTS
#include EXPORTS
#endif
