// The tray dialog's modem checks: starting the workers one at a time, what
// their posted messages change, the retries and error boxes, and the mail of
// the new files after a check.
#include "murmel/DebugLog.h"
#include "murmel/DeleteThread.h"
#include "murmel/MurmelDlg.h"
#include "murmel/MurmelProfile.h"
#include "murmel/MurmelStrings.h"
#include "murmel/ReadThread.h"
#include "murmel/WorkerMessages.h"
#include "platform/Mail.h"
#include "platform/Ui.h"

namespace murmel {

NewMessageCounts SplitCounts(int64_t LParam) {
    const auto byte = [LParam](int i) { return static_cast<int>(static_cast<uint64_t>(LParam) >> (8 * i) & 0xFF); };
    return {byte(0), byte(1), byte(2), byte(3)};
}

}  // namespace murmel

using namespace murmel;

void CMurmelDlg::checkmodem() {
    DebugLogDialog("checkmodem() (ruft Thread auf)");
    m_bChecking = true;
    if (m_hThread.joinable()) {
        UpdateDisplay();
        m_hThread.join();
    }
    m_hThread = std::thread([] { ReadThread(nullptr); });
}

void CMurmelDlg::OnCheckmodem() {
    DebugLogDialog("OnCheckmodem()");
    if (!m_hThread.joinable()) checkmodem();
    UpdateDisplay();
}

void CMurmelDlg::OnDeletememory() {
    DebugLogDialog("OnDeletememory()");
    if (ui::MessageBox({LoadString(IdsDeleteQuestion), "Murmel", ui::MbYesNo, ui::IconWarning}) != ui::IdYes) return;
    m_bChecking = true;
    UpdateDisplay();
    if (m_hThread.joinable()) {
        DebugLogDialog("   Auf zweiten Task warten.");
        m_hThread.join();
    }
    m_hThread = std::thread([] { DeleteThread(nullptr); });
}

int64_t CMurmelDlg::OnNewmessages(int64_t WParam, int64_t LParam) {
    DebugLogDialog("OnNewmessages() %li, %li", static_cast<long>(WParam), static_cast<long>(LParam));
    const NewMessageCounts c = SplitCounts(LParam);
    m_nPercent = c.percent;
    m_nVoicecount = c.voiceCount;
    m_nFaxcount = c.faxCount;
    // After an erase: only the counts change, and the display stays until the next refresh.
    if (c.newCount == 255) return 0;
    const int before = static_cast<int>(WParam);
    m_nLastreadmessage = before;
    m_nNewcount = c.newCount;
    m_nNewest = before + c.newCount;
    m_bVoiceReported = true;
    const bool autoplay = GetProfileFlag(kOptions, "Autoplay", kFlagOn);
    if (!m_hWaveOut) {
        if (c.newCount != 0 && m_bHidden && autoplay) {
            DebugLogDialog("   Sofort spielen.");
            m_nCurrent = before + 1;
            playmessage(m_nCurrent);
        } else if (m_nPending == -1 && c.newCount != 0) {
            m_nCurrent = before + 1;
        }
    }
    UpdateDisplay();
    return 0;
}

int64_t CMurmelDlg::OnMessageready(int64_t, int64_t LParam) {
    DebugLogDialog("OnMessageready() Nummer: %li", static_cast<long>(LParam));
    ++m_nLastreadmessage;
    if (m_nPending == m_nLastreadmessage) playmessage(m_nLastreadmessage);
    UpdateDisplay();
    return 0;
}

int64_t CMurmelDlg::OnNewmessagesfax(int64_t, int64_t LParam) {
    DebugLogDialog("OnNewmessagesfax() Anzahl: %li", static_cast<long>(LParam));
    m_bFaxReported = true;
    UpdateDisplay();
    ui::MessageBox({LoadString(IdsNewFax) + std::to_string(LParam) + LoadString(IdsNewFaxEnd), LoadString(IdsFaxCaption),
                    ui::MbOk, ui::IconInformation});
    return 0;
}

void CMurmelDlg::ErrorBox(int StringId) { ui::MessageBox({LoadString(StringId), "Murmel", ui::MbOk, ui::IconError}); }

int64_t CMurmelDlg::OnThreaderror(int64_t, int64_t LParam) {
    DebugLogDialog("OnThreaderror() Code: %li", static_cast<long>(LParam));
    // The new messages are only those that were written.
    m_nNewcount -= m_nNewest - m_nLastreadmessage;
    m_nNewest = m_nLastreadmessage;
    if (m_nPending > m_nLastreadmessage) m_nPending = -1;
    if (m_nCurrent > m_nLastreadmessage) m_nCurrent = m_nLastreadmessage;

    bool restarted = false;
    switch (LParam) {
    case ErrorCom:
    case ErrorModem:
        // Failures count over the whole run: the third one is shown.
        if (--m_errorcnt != 0) {
            checkmodem();
            restarted = true;
        } else {
            ErrorBox(LParam == ErrorCom ? IdsComError : IdsModemError);
            m_errorcnt = 3;
        }
        break;
    case ErrorMemory: ErrorBox(IdsOutOfMemory); break;
    case ErrorFile: ErrorBox(IdsFileError); break;
    case NoError:
        if (GetProfileFlag(kOptions, "Mailmessages", kFlagOff) && m_nNewcount != 0) MailNewMessages();
        break;
    default: break;
    }
    if (!restarted) {
        DebugLogDialog("Auf Thread-Ende warten.");
        if (m_hThread.joinable()) m_hThread.join();
        DebugLogDialog("   Thread-Ende erreicht.");
        m_bChecking = false;
        m_bDeleting = false;
    }
    UpdateDisplay();
    return 0;
}

void CMurmelDlg::MailNewMessages() {
    std::vector<mail::Attachment> files;
    // Newest first.
    for (int i = 0; i < m_nNewcount; ++i) {
        const std::string name = MessageFileName(m_nNewest - i);
        const std::string path = OutputFolder() + name;
        if (path.size() > kMaxPath) return;
        files.push_back({path, name});
    }
    if (!MapiAvailable()) {
        MailErrorBox();
        return;
    }
    const std::string address = GetProfileString(kOptions, "Mailadress", "");
    const mail::Message message{LoadString(IdsMailSubject), LoadString(IdsMailText), {{address, "SMTP:" + address}},
                                std::move(files)};
    if (mail::Send(message) != mail::Result::Done) MailErrorBox();
}
