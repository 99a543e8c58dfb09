#include "murmel/MurmelStrings.h"

#include <map>

namespace murmel {

std::string LoadString(int Id) {
    static const std::map<int, std::string> table = {
        {IdsAboutMenu, "Inf&o about Murmel..."},
        {IdsNewFax, "New fax messagest. (Number: "},
        {IdsNewFaxEnd, ")\n\nPlease use the Software of the manufacturer of the modem to display."},
        {IdsComError,
         "COM-Port not responding.\n\nCheck the values for the com port and the transfer rate in the options dialog. "
         "You have to select the port to which the modem is connected. \n\nCheck if other programs use the modem "
         "port. Example: Internet-Dial-In, Phone-Tools, Modem-Manager, Terminal, ..."},
        {IdsModemError,
         "Modem not responding.\n\nCheck if the modem is switched on and connected with the computer.\n\nCheck the "
         "values for the com port and the transfer rate in the options dialog. You have to select the port to which "
         "the modem is connected.\n\nOnly the modems \"Sportster Message Plus\", \"56K Message Modem\" and \"56K "
         "Professional Message Modem\" of the manufacturers \"U.S. Robotics, Inc.\" and \"3Com Corp.\" are "
         "supported."},
        {IdsOutOfMemory, "Out of memory."},
        {IdsFileError,
         "Error opening output file.\n\nCheck if the file already exists. Check if the path is existing. Check the "
         "values for the path and the counter in the \"Options\"-Dialog. The counter must be set to a value greater "
         "than the greatest counter value of the files in the specified directory.\n\nCheck if there is enough free "
         "memory, check if the device is not write protected.\n\nThis error occurs also if the "
         "Windows-Audiocompression-Codecs are not installed. "},
        {IdsNoNewMessages, "No new Messages."},
        {IdsOneNewMessage, "1 new Message."},
        {IdsNewMessages, " new Messages."},
        {IdsTime, "Time:  "},
        {IdsDuration, "Duration:  "},
        {IdsTimeUnknown, "Time:  unknown"},
        {IdsChecking, "Checking Modem."},
        {IdsWaiting, "Waiting for message."},
        {IdsMailSubject, "Murmel"},
        {IdsMailText, "Murmel in Attachment"},
        {IdsMailError, "Error sending file.\n\nSimple-Mapi Client required for sending messages."},
        {IdsTipIdle, "Murmel"},
        {IdsTipNoNew, "Murmel: no new messages"},
        {IdsTipOneNew, "Murmel: 1 new message"},
        {IdsTipNew, "Murmel: "},
        {IdsTipNewEnd, " new messages"},
        {IdsReady, "Ready"},
        {IdsMenuClose, "C&lose"},
        {IdsMenuOptions, "O&ptions..."},
        {IdsMenuOpen, "&Open"},
        {IdsMenuCheck, "&Check Modem"},
        {IdsMenuInfo, "&Info..."},
        {IdsTipFax, ", fax"},
        {IdsFaxCaption, "Murmel"},
        {IdsMemoryOpen, "   ("},
        {IdsMemoryUsed, "% modem-memory used: "},
        {IdsHelpMissing, std::string("Please use the HTML-helpfile\nin the subdirectory \"Help\" of the program-directory "
                                     "or\n") + kHelpAddress},
        {IdsMemoryMessages, " Messages)"},
        {IdsMemoryEmpty, "   (0% modem-memory used)"},
        {IdsMenuDelete, "&Delete Modem-Memory"},
        {IdsDeleteQuestion, "All messages and faxes in the modem-memory will be deleted.\nDo you wish to continue ?"},
        {IdsDeleting, "   (Deleting modem-memory)"},
        {IdsMenuPellow, "PELLO&W"},
        {IdsMenuEcholet, "ECHOLE&T"},
        {IdsHelpFile, "Help/MurmelEn2.htm"},
    };
    const auto it = table.find(Id);
    return it == table.end() ? std::string() : it->second;
}

}  // namespace murmel
