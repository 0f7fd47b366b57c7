#include "ui/RuntimeClass.h"

#include "ui/Wnd.h"

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* pBase) const {
    for (const CRuntimeClass* p = this; p != nullptr; p = p->m_pBaseClass) {
        if (p == pBase) return true;
    }
    return false;
}

std::unique_ptr<CWnd> CRuntimeClass::CreateObject() const {
    if (m_pfnCreateObject == nullptr) return nullptr;
    return m_pfnCreateObject();
}
