// The tray dialog's work on the message files: playback through the wave
// device, the buttons, the message information, copy, drag and mail, and
// the refresh of its controls and of the tray.
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>

#include "murmel/DebugLog.h"
#include "murmel/MurmelDlg.h"
#include "murmel/MurmelPictures.h"
#include "murmel/MurmelProfile.h"
#include "murmel/MurmelStrings.h"
#include "platform/FileClipboard.h"
#include "platform/Files.h"
#include "platform/Mail.h"
#include "platform/Ui.h"

namespace murmel {

int MapiAvailable() { return mail::Available() ? 1 : 0; }

namespace {

// The header of a message file; the samples follow it.
constexpr std::size_t kWaveHeader = 44;
// Skip previous gives up after this many numbers without a file.
constexpr int kSkipPreviousRange = 31;

}  // namespace

std::string MessageFileName(int N) {
    char name[32];
    std::snprintf(name, sizeof name, "Voic%04d.wav", N);
    return name;
}

std::string TrayTip(const TrayState& S) {
    if (!S.voiceReported) return LoadString(IdsTipIdle);
    std::string tip;
    if (S.newCount <= 0) tip = LoadString(IdsTipNoNew);
    else if (S.newCount == 1) tip = LoadString(IdsTipOneNew);
    else tip = LoadString(IdsTipNew) + std::to_string(S.newCount) + LoadString(IdsTipNewEnd);
    if (S.faxReported) tip += LoadString(IdsTipFax);
    return tip;
}

int TrayIconId(const TrayState& S) {
    if (!S.voiceReported) return 134;
    if (S.newCount < 1 || !S.hidden) return S.faxReported ? 137 : 134;
    if (!S.playingOrPending) return S.faxReported ? 135 : 132;
    if (!S.currentIsNewest) return S.faxReported ? 136 : 133;
    return S.faxReported ? 139 : 138;
}

std::string StatusLine(const StatusState& S) {
    std::string line;
    if (!S.voiceReported && !S.workerRuns) {
        line = LoadString(IdsReady);
    } else {
        if (S.newCount <= 0) line = LoadString(S.workerRuns ? IdsChecking : IdsNoNewMessages);
        else if (S.newCount == 1) line = LoadString(IdsOneNewMessage);
        else line = std::to_string(S.newCount) + LoadString(IdsNewMessages);
        if (S.deleting) line += LoadString(IdsDeleting);
    }
    if (S.percent != -1 && !S.workerRuns) {
        if (S.percent == 0) line += LoadString(IdsMemoryEmpty);
        else
            line += LoadString(IdsMemoryOpen) + std::to_string(S.percent) + LoadString(IdsMemoryUsed) +
                    std::to_string(S.voiceCount + S.faxCount) + LoadString(IdsMemoryMessages);
    }
    return line;
}

std::string MessageInfoText(const std::string& Path, const std::tm& When, long long Size) {
    std::string time;
    // The conversion marks a message whose time is not known by 0 or 1 seconds.
    if (When.tm_sec == 0 || When.tm_sec == 1) {
        time = LoadString(IdsTimeUnknown);
    } else {
        char text[96];
        std::snprintf(text, sizeof text, "%s %02i.%02i.%02i,  %02i:%02i:%02i", LoadString(IdsTime).c_str(), When.tm_mday,
                      When.tm_mon + 1, When.tm_year + 1900, When.tm_hour, When.tm_min, When.tm_sec);
        time = text;
    }
    const long long seconds = (Size - static_cast<long long>(kWaveHeader)) / 16000;
    char text[256];
    std::snprintf(text, sizeof text, "%s\n%s%lli s  ( %lli KB )\n", time.c_str(), LoadString(IdsDuration).c_str(),
                  seconds, Size / 1024);
    return text + Path;
}

}  // namespace murmel

using namespace murmel;

std::string CMurmelDlg::MessagePath(int N) const { return OutputFolder() + MessageFileName(N); }

int CMurmelDlg::FirstNewMessage() const { return m_nNewcount != 0 ? m_nNewest - m_nNewcount + 1 : m_nNewest; }

int CMurmelDlg::playmessage(int N) {
    DebugLogDialog("playmessage() number: %i", N);
    endplaymessage();
    m_nPending = -1;
    if (N < 1 || N > m_nNewest) return 0;
    if (N > m_nLastreadmessage) {
        // Its file is not written yet: it plays when the worker reports it.
        m_nCurrent = N;
        m_nPending = N;
        return 1;
    }
    const std::string path = MessagePath(N);
    if (path.size() > kMaxPath) return 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) return 0;
    m_pWavedata.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    // A file shorter than its header holds no sound to play.
    if (m_pWavedata.size() < kWaveHeader) {
        m_pWavedata.clear();
        return 0;
    }
    const auto format = audio::ParseWaveFormat(std::string_view(m_pWavedata).substr(20));
    m_hWaveOut = audio::WaveOut::Open(*format, audio::PostDoneTo(this));
    if (!m_hWaveOut) {
        m_pWavedata.clear();
        return 0;
    }
    if (!m_hWaveOut->Write(m_pWavedata.data() + kWaveHeader, m_pWavedata.size() - kWaveHeader)) {
        m_hWaveOut.reset();
        m_pWavedata.clear();
        return 0;
    }
    m_nCurrent = N;
    DebugLogDialog("   playmessage() fertig.");
    return 1;
}

void CMurmelDlg::endplaymessage() {
    DebugLogDialog("endplaymessage()");
    if (m_hWaveOut) {
        // The device gives its buffer back at once; the done notice that
        // follows belongs to this playback and is to be ignored. Each ended
        // playback is counted, so that two ended before their notices
        // arrive do not let the second notice start the next message.
        m_hWaveOut->Reset();
        m_hWaveOut.reset();
        ++m_nPlayinterrupted;
    }
    m_pWavedata = std::string();
    m_bPaused = false;
}

void CMurmelDlg::OnWaveoutdone() {
    DebugLogDialog("OnWaveoutdone()");
    if (m_nPlayinterrupted > 0) {
        DebugLogDialog("   m_bPlayinterrupted==TRUE (wurde unterbrochen)");
        --m_nPlayinterrupted;
        return;
    }
    DebugLogDialog("   m_bPlayinterrupted==FALSE (ausgelaufen)");
    // This playback's own notice has come: no other follows it.
    endplaymessage();
    m_nPlayinterrupted = 0;
    if (m_nCurrent < m_nNewest) {
        ++m_nCurrent;
        playmessage(m_nCurrent);
        UpdateDisplay();
        return;
    }
    if (m_bHidden) m_nCurrent = FirstNewMessage();
    UpdateDisplay();
}

void CMurmelDlg::OnPlay() {
    DebugLogDialog("OnPlay()");
    if (m_hWaveOut && m_bPaused) {
        m_hWaveOut->Restart();
        m_bPaused = false;
    } else {
        playmessage(m_nCurrent);
    }
    UpdateDisplay();
}

void CMurmelDlg::OnPause() {
    DebugLogDialog("OnPause()");
    if (m_nPending != -1) {
        endplaymessage();
        m_nPending = -1;
    } else if (m_hWaveOut && !m_bPaused) {
        m_hWaveOut->Pause();
        m_bPaused = true;
    } else {
        return;
    }
    UpdateDisplay();
}

void CMurmelDlg::OnStop() {
    DebugLogDialog("OnStop()");
    endplaymessage();
    m_nPending = -1;
    UpdateDisplay();
}

void CMurmelDlg::OnSkipnext() {
    DebugLogDialog("OnSkipnext()");
    for (int n = m_nCurrent + 1; n <= m_nNewest; ++n)
        if (!GetMessageInfo(n).empty()) return SkipTo(n);
}

void CMurmelDlg::OnSkipprevious() {
    DebugLogDialog("OnSkipprevious()");
    for (int n = m_nCurrent - 1; n >= 1 && n >= m_nCurrent - kSkipPreviousRange; --n)
        if (!GetMessageInfo(n).empty()) return SkipTo(n);
}

void CMurmelDlg::SkipTo(int N) {
    m_nCurrent = N;
    if (m_hWaveOut || m_nPending != -1) {
        if (!m_bPaused) playmessage(N);
        else endplaymessage();
    }
    UpdateDisplay();
}

void CMurmelDlg::OnMinus(int K) {
    DebugLogDialog("OnMinus%i()", K);
    playmessage(m_nNewest - (K - 1));
    UpdateDisplay();
}

std::string CMurmelDlg::GetMessageInfo(int N) {
    const std::string path = MessagePath(N);
    files::FileStatus status;
    if (path.size() > kMaxPath || !files::FileExists(path) || !files::GetFileStatus(path, status)) return "";
    std::tm when{};
    localtime_r(&status.created, &when);
    return MessageInfoText(path, when, status.size);
}

void CMurmelDlg::OnCopy() {
    DebugLogDialog("OnCopy()");
    const std::string path = MessagePath(m_nCurrent);
    if (path.size() <= kMaxPath) fileclip::PutFileOnClipboard(path);
    UpdateDisplay();
}

void CMurmelDlg::mousePressEvent(QMouseEvent* E) {
    if (E->button() == Qt::LeftButton) {
        OnLButtonDown();
        return;
    }
    QDialog::mousePressEvent(E);
}

void CMurmelDlg::OnLButtonDown() {
    DebugLogDialog("OnLButtonDown()");
    // The path is offered whether the file exists or not.
    const std::string path = MessagePath(m_nCurrent);
    if (path.size() <= kMaxPath) fileclip::DragText(this, path);
}

void CMurmelDlg::MailErrorBox() {
    ui::MessageBox({LoadString(IdsMailError), "Murmel", ui::MbOk, ui::IconError});
}

void CMurmelDlg::OnSend() {
    DebugLogDialog("OnSend()");
    const std::string path = MessagePath(m_nCurrent);
    if (path.size() > kMaxPath) return;
    if (!MapiAvailable()) {
        MailErrorBox();
        return;
    }
    // The mail program's compose window: the user picks the recipients there.
    const mail::Message message{LoadString(IdsMailSubject), LoadString(IdsMailText), {}, {{path, MessageFileName(m_nCurrent)}}};
    if (mail::Compose(message) != mail::Result::Done) MailErrorBox();
    UpdateDisplay();
}

void CMurmelDlg::UpdateDisplay() {
    const bool going = m_hWaveOut || m_nPending != -1;
    m_play->setIcon(QIcon(ButtonBitmap(going && !m_bPaused ? 138 : 131)));
    m_pause->setIcon(QIcon(ButtonBitmap(m_bPaused ? 139 : 134)));
    m_stop->setIcon(QIcon(ButtonBitmap(129)));
    m_skipNext->setIcon(QIcon(ButtonBitmap(132)));
    m_skipPrevious->setIcon(QIcon(ButtonBitmap(135)));
    m_copy->setIcon(QIcon(ButtonBitmap(136)));
    m_send->setIcon(QIcon(ButtonBitmap(137)));

    m_counter->setText(QString::number(m_nCurrent - m_nNewest - 1));
    m_status->setText(QString::fromStdString(StatusLine(
        {m_bVoiceReported, m_bChecking, m_bDeleting, m_nNewcount, m_nPercent, m_nVoicecount, m_nFaxcount})));
    m_info->setText(QString::fromStdString(m_nPending != -1 ? LoadString(IdsWaiting) : GetMessageInfo(m_nCurrent)));
    m_info->setToolTip(m_info->text());
    for (int k = 1; k <= 10; ++k) m_minus[k - 1]->setEnabled(m_nNewcount >= k);
    TrayRefresh();
}

void CMurmelDlg::TrayRefresh() {
    const TrayState s{m_bVoiceReported, m_bFaxReported, m_nNewcount, m_bHidden, m_hWaveOut || m_nPending != -1,
                      m_nCurrent == m_nNewest};
    TrayModify(TrayIconId(s), TrayTip(s));
}
