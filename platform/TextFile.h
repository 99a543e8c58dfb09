#pragma once
// Text files that a program keeps open for appending lines, such as the
// serial log: opened afresh or for appending, each line ended by CR LF and
// flushed at once so that nothing is lost when the program ends abruptly.
#include <cstdio>
#include <string>

namespace textfile {

// Null when the file cannot be opened or created.
std::FILE* Open(const std::string& Path, bool Rewrite);
// Writes Text and CR LF and flushes; False when that failed.
bool WriteLine(std::FILE* File, const std::string& Text);
void Close(std::FILE* File);

}  // namespace textfile
