#include "platform/TextFile.h"

namespace textfile {

std::FILE* Open(const std::string& Path, bool Rewrite) {
    if (Path.empty()) return nullptr;
    return std::fopen(Path.c_str(), Rewrite ? "wb" : "ab");
}

bool WriteLine(std::FILE* File, const std::string& Text) {
    if (!File) return false;
    const std::string line = Text + "\r\n";
    return std::fwrite(line.data(), 1, line.size(), File) == line.size() && std::fflush(File) == 0;
}

void Close(std::FILE* File) {
    if (File) std::fclose(File);
}

}  // namespace textfile
