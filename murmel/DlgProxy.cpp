#include "murmel/DlgProxy.h"

#include <atomic>
#include <cctype>

#include "murmel/MurmelApp.h"
#include "murmel/MurmelDlg.h"

namespace {

std::atomic<int> g_locks{0};

bool SameId(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

}  // namespace

CMurmelDlgAutoProxy::CMurmelDlgAutoProxy(CMurmelDlg* MainWindow) : m_pDialog(MainWindow) {
    ++g_locks;
    if (m_pDialog) m_pDialog->m_pAutoProxy = this;
}

CMurmelDlgAutoProxy::~CMurmelDlgAutoProxy() {
    if (m_pDialog && m_pDialog->m_pAutoProxy == this) m_pDialog->m_pAutoProxy = nullptr;
    --g_locks;
}

bool CMurmelDlgAutoProxy::Answers(const std::string& InterfaceId) { return SameId(InterfaceId, murmel::kDispatchId); }

int CMurmelDlgAutoProxy::Locks() { return g_locks; }
