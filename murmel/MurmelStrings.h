#pragma once
// The tray dialog's string table: menu items, tips, status texts, the
// message-info lines and the error boxes, by their numbers.
#include <string>

namespace murmel {

enum StringId {
    IdsAboutMenu = 101,         // "Inf&o about Murmel..."
    IdsNewFax = 102,            // "New fax messagest. (Number: "
    IdsNewFaxEnd = 103,
    IdsComError = 104,
    IdsModemError = 105,
    IdsOutOfMemory = 106,
    IdsFileError = 107,
    IdsNoNewMessages = 108,
    IdsOneNewMessage = 109,
    IdsNewMessages = 110,       // after the count
    IdsTime = 111,              // "Time:  "
    IdsDuration = 113,          // "Duration:  "
    IdsTimeUnknown = 114,       // "Time:  unknown"
    IdsChecking = 115,
    IdsWaiting = 116,
    IdsMailSubject = 117,
    IdsMailText = 118,
    IdsMailError = 119,
    IdsTipIdle = 120,           // "Murmel"
    IdsTipNoNew = 121,
    IdsTipOneNew = 122,
    IdsTipNew = 123,            // "Murmel: ", the count, then 124
    IdsTipNewEnd = 124,
    IdsReady = 125,
    IdsMenuClose = 126,
    IdsMenuOptions = 127,
    IdsMenuOpen = 128,
    IdsMenuCheck = 129,
    IdsMenuInfo = 130,
    IdsTipFax = 132,            // ", fax"
    IdsFaxCaption = 133,        // "Murmel"
    IdsMemoryOpen = 134,        // "   ("
    IdsMemoryUsed = 135,        // "% modem-memory used: "
    IdsHelpMissing = 136,
    IdsMemoryMessages = 137,    // " Messages)"
    IdsMemoryEmpty = 138,       // "   (0% modem-memory used)"
    IdsMenuDelete = 139,
    IdsDeleteQuestion = 140,
    IdsDeleting = 141,          // "   (Deleting modem-memory)"
    IdsMenuPellow = 142,
    IdsMenuEcholet = 143,
    IdsHelpFile = 144,          // the help page below the program's folder
};

// The text of Id; "" for a number the table does not hold.
std::string LoadString(int Id);

// The system's help page on the web, the end of string 136.
constexpr const char* kHelpAddress = "https://pellow.example.org/murmel/help.html";

}  // namespace murmel
