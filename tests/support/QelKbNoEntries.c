/* A library that loads but lacks both keyboard-monitor entries. */
int QelKbNoEntriesPresent(void) { return 1; }
