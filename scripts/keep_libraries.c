/* Linked into every program of the sanitizer build (scripts/sanitize.sh):
   dlclose does nothing, so every shared library a program opens (the GL
   driver SDL loads, OpenAL's backends) stays mapped until exit. The leak
   checker runs at exit and names a leak's library from the mappings; a
   library unloaded before then leaves frames without a name, which the
   suppression file cannot match. Loading again is unaffected: dlopen of a
   library still mapped hands back the same one. */
int dlclose(void* handle) {
  (void)handle;
  return 0;
}
