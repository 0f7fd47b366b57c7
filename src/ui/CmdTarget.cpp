#include "ui/CmdTarget.h"

#include <utility>

bool CCmdTarget::OnCommand(unsigned nId) {
    auto it = m_commands.find(nId);
    if (it == m_commands.end()) return false;
    // Copy: the handler may register or replace commands while it runs.
    std::function<void()> handler = it->second;
    handler();
    return true;
}

bool CCmdTarget::HasCommandHandler(unsigned nId) const {
    return m_commands.count(nId) != 0;
}

void CCmdTarget::AddCommand(unsigned nId, std::function<void()> handler) {
    m_commands[nId] = std::move(handler);
}
