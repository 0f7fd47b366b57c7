#pragma once

#include <memory>

class CWnd;

// The run-time class record of a window class: its name (printed by the
// headless driver as "view: CClassName"), its base, and, for classes that
// can be created by name, a factory. Screens are switched to by record.
struct CRuntimeClass {
    const char* m_lpszClassName;
    const CRuntimeClass* m_pBaseClass;
    std::unique_ptr<CWnd> (*m_pfnCreateObject)();

    bool IsDerivedFrom(const CRuntimeClass* pBase) const;
    // Null when the class is not dynamically creatable.
    std::unique_ptr<CWnd> CreateObject() const;
};

#define ORV_RUNTIME_CLASS(class_name) (&class_name::class##class_name)

// In the class body: the record and its accessor.
#define ORV_DECLARE_DYNAMIC(class_name)           \
public:                                           \
    static const CRuntimeClass class##class_name; \
    const CRuntimeClass* GetRuntimeClass() const override;

#define ORV_DECLARE_DYNCREATE(class_name) \
    ORV_DECLARE_DYNAMIC(class_name)       \
    static std::unique_ptr<CWnd> CreateObject();

// In the source file.
#define ORV_IMPLEMENT_DYNAMIC(class_name, base_name)                                             \
    const CRuntimeClass class_name::class##class_name = {#class_name,                            \
                                                         ORV_RUNTIME_CLASS(base_name), nullptr}; \
    const CRuntimeClass* class_name::GetRuntimeClass() const {                                   \
        return &class##class_name;                                                               \
    }

#define ORV_IMPLEMENT_DYNCREATE(class_name, base_name)                         \
    std::unique_ptr<CWnd> class_name::CreateObject() {                         \
        return std::make_unique<class_name>();                                 \
    }                                                                          \
    const CRuntimeClass class_name::class##class_name = {                      \
        #class_name, ORV_RUNTIME_CLASS(base_name), &class_name::CreateObject}; \
    const CRuntimeClass* class_name::GetRuntimeClass() const {                 \
        return &class##class_name;                                             \
    }
