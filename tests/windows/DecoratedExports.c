/* A library that exports its entry points only in the decorated forms a
 * vendor's 32-bit compiler gives stdcall functions: "_Name@N" (no
 * module-definition file) and "Name@N". The loading test looks them up by
 * their plain names. Nothing calls them: each name leads to the address
 * "Reference" exports too, so the test compares addresses. */
int Reference(void) { return 7; }
