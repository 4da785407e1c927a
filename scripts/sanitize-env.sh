# Environment of every run under the sanitizers (sourced by sanitize.sh and
# soak.sh): headless GL and sound, no message boxes, every report fatal.
export SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null SDL_AUDIODRIVER=dummy CORVANE_NO_MESSAGEBOX=1
# SANITIZE_LEAKS=0 turns the leak check off (memory errors and undefined
# behaviour stay fatal).
export ASAN_OPTIONS="detect_leaks=${SANITIZE_LEAKS:-1}:abort_on_error=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$ROOT/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
