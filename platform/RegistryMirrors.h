#pragma once
// The desktop mechanisms that registry keys stand for, kept in step by the
// registry itself, so that the units' code writes its keys as it always did
// and the desktop still acts on them: each mirror is a change hook installed
// here (the autostart entries of the Run keys, ...).
namespace registry {

// Installs every mirror's hook, once per process; the registry calls it
// before it reports its first change.
void InstallMirrors();

}  // namespace registry
