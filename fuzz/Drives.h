// The programs' dialogues that the session targets drive: the same run
// serves the fuzz target (the modem played by the fuzzer's session) and the
// corpus maker (the modem played by the simulator, its replies recorded as
// the seed). Each opens its port by name through the port factory.
#pragma once
#include <string>

namespace fuzz {

// Port names the drives open.
inline constexpr const char* kPellowPort = "COM1";
inline constexpr const char* kMurmelPort = "COM2";

// Detection on COM1, then a directory query whose comma fields are all
// taken, a number, a flag and a setting.
void DriveReplyLines();
// The 3Com family: a Refresh and every column of the first messages, with
// the info line a download starts from.
void DriveInfo3com();
// The ELSA family: a Refresh, every column and field of the first messages,
// the free memory.
void DriveElsaDirectory();
// The block receive of the download of FileName into Path; checks that the
// file holds whole blocks only.
void DriveBlockReceive(const std::string& FileName, const std::string& Path);
// Murmel's download worker with a fresh profile, its output in Folder.
void DriveMurmelDownload(const std::string& Folder);

}  // namespace fuzz
