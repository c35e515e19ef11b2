// libvelkit.so: its exports arrive with the library's own work; until then it
// only has to build, link and load beside the program.
