# The simulator's tests drive its core in-process as well as the built program
# over a pseudo-terminal, so they link the core in place of the bare platform.
set(lib modemsim_core)
